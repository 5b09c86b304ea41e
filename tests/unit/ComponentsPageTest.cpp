#include "wizard/ComponentsPage.h"
#include "platform/sim/ui/HeadlessUi.h"
#include "tests/unit/WizardFixture.h"

namespace ulv::test {
namespace {

TEST(FormatDiskSize, KoBelowSixteenMegabytesUnlessWholeMo) {
    struct Case {
        std::int64_t Bytes;
        const char* Text;
    };
    for (const Case& c : {Case{0, "0 Ko"}, Case{1023, "0 Ko"}, Case{65536, "64 Ko"}, Case{1048576, "1 Mo"},
                          Case{2621440, "2 560 Ko"}, Case{4460544, "4 356 Ko"}, Case{16777214, "16 383 Ko"},
                          Case{16777215, "16 Mo"}, Case{17301504, "16 Mo"}, Case{18350080, "18 Mo"},
                          Case{53687091200, "51 200 Mo"}, Case{3 * 1048576 + 1, "3 072 Ko"}})
        EXPECT_EQ(FormatDiskSize(c.Bytes), c.Text) << c.Bytes;
}

class ComponentsPage : public WizardTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(AttachedFiles);
        ASSERT_TRUE(Machine.Files.PutFolder("C:\\Program Files"));
    }
    void Enter(std::uint32_t cluster = 4096, std::uint64_t free = 64ull << 30) {
        Machine.Volumes.SetDrive({.Letter = 'C', .ClusterSize = cluster, .FreeBytes = free});
        Form.ReadInstallSettings();
        Form.StoreComponentSizes();
        Form.UpdateDiskSpace();
    }
    [[nodiscard]] std::vector<std::string> Sizes() {
        std::vector<std::string> sizes;
        for (int i = 0; i < Form.SelCompLstBx.Count(); ++i)
            sizes.push_back(headless::DrawItem(Form.SelCompLstBx, i).back());
        return sizes;
    }
    [[nodiscard]] std::string Required() const { return Form.SelCompDiskSpaceReqLbl2.Caption(); }
    // Each component's size as its item draws it.
    void ExpectSizes(const std::vector<std::string>& texts) {
        std::vector<std::string> drawn = Sizes();
        ASSERT_EQ(drawn.size(), texts.size());
        for (size_t i = 0; i < texts.size(); ++i)
            EXPECT_NE(drawn[i].find("\"" + texts[i] + "\""), std::string::npos) << drawn[i];
    }
};

TEST_F(ComponentsPage, SizesOn4KiBClusters) {
    Enter();
    ExpectSizes({"4 356 Ko", "608 Ko", "460 Ko", "180 Ko", "752 Ko", "980 Ko", "64 Ko"});
    EXPECT_EQ(Required(), "7 400 Ko");
    EXPECT_EQ(Form.SelCompDiskSpaceAvailLbl2.Caption(), "65 536 Mo");
    EXPECT_TRUE(Form.NextBtn.Enabled());
}

// Every file rounded up to whole 32,768-byte clusters: the many small inserts take seven times their 4 KiB
// figure.
TEST_F(ComponentsPage, SizesOn32KiBClusters) {
    Enter(32768);
    ExpectSizes({"4 384 Ko", "640 Ko", "544 Ko", "192 Ko", "1 152 Ko", "6 912 Ko", "64 Ko"});
    EXPECT_EQ(Required(), "13 888 Ko");
}

TEST_F(ComponentsPage, ItemZeroGreyAndTheSizeRightAligned) {
    Enter();
    using V = std::vector<std::string>;
    EXPECT_EQ(headless::DrawItem(Form.SelCompLstBx, 0),
              (V{"FillRect 16,0,341,16 80000005", "TextOut 18,1 \"Traitement de texte Ulvara\" 80000011",
                 "TextOut 291,1 \"4 356 Ko\" 80000011"}));
    EXPECT_EQ(headless::DrawItem(Form.SelCompLstBx, 6, {.Selected = true}),
              (V{"FillRect 16,96,341,112 8000000D", "TextOut 18,97 \"Module sonore de base\" 8000000E",
                 "TextOut 309,97 \"64 Ko\" 8000000E"}));
}

TEST_F(ComponentsPage, ChecksChangeTheRequiredSpaceButNotTheLockedItem) {
    Enter();
    Form.SelCompLstBx.UserToggle(0);
    EXPECT_EQ(Form.SelCompLstBx.State(0), TCheckState::Grayed) << "undone at once";
    EXPECT_EQ(Required(), "7 400 Ko");
    Form.SelCompLstBx.UserToggle(5);
    EXPECT_EQ(Required(), "6 420 Ko");
    Form.SelCompLstBx.UserToggle(5);
    EXPECT_EQ(Required(), "7 400 Ko");
}

TEST_F(ComponentsPage, NextOnlyWhenTheChoiceFits) {
    Enter();
    std::int32_t required =
        ComponentsSpace(kAllComponents, Installation.ComponentSizes(Installation.Options.MainDir));
    Enter(4096, static_cast<std::uint64_t>(required));
    EXPECT_TRUE(Form.NextBtn.Enabled()) << "free space exactly the required amount";
    Enter(4096, static_cast<std::uint64_t>(required) - 1);
    EXPECT_FALSE(Form.NextBtn.Enabled());
    // A per-user quota below the volume's free space is what counts.
    Machine.Volumes.SetDrive({.Letter = 'C', .QuotaFreeBytes = 4096});
    Form.UpdateDiskSpace();
    EXPECT_EQ(Form.SelCompDiskSpaceAvailLbl2.Caption(), "4 Ko");
    EXPECT_FALSE(Form.NextBtn.Enabled());
    // Free space that cannot be read is none.
    Installation.Options.MainDir = "\\\\serveur\\partage\\Ulvara";
    Form.UpdateDiskSpace();
    EXPECT_EQ(Form.SelCompDiskSpaceAvailLbl2.Caption(), "0 Ko");
    EXPECT_FALSE(Form.NextBtn.Enabled());
}

TEST_F(ComponentsPage, OnlyTheWordProcessorStored) {
    Machine.Registry.PutValue(kHkeyCurrentUser, "Software\\Ulvara Word Processor\\Install",
                              "COMPS_FR (3.1.1)", kRegDword, {1, 0, 0, 0});
    Enter();
    for (int i = 1; i < 7; ++i)
        EXPECT_EQ(Form.SelCompLstBx.State(i), TCheckState::Unchecked) << i;
    EXPECT_EQ(Required(), "4 356 Ko");
}

} // namespace
} // namespace ulv::test
