#include "InstUtilsFixture.h"

namespace ulv::test {
namespace {

class Shortcuts : public InstUtilsTest {
protected:
    const std::string UserPrograms =
        "C:\\users\\test\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\";
    const std::string CommonPrograms = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";
    const std::string UserDesktop = "C:\\users\\test\\Desktop\\";
    const std::string CommonDesktop = "C:\\users\\Public\\Desktop\\";
    const std::string MainDir = "C:\\Program Files\\Ulvara";

    void SetUp() override {
        ASSERT_EQ(Machine.Shell.OleInitialize(), kSOk);
        for (const std::string* folder : {&UserPrograms, &CommonPrograms, &UserDesktop, &CommonDesktop})
            ASSERT_TRUE(Machine.Files.PutFolder(*folder));
        StartLog();
    }
    std::string Link(const std::string& folder) const { return folder + std::string(kShortcutName); }
    bool Exists(const std::string& folder) { return Machine.Files.FileContent(Link(folder)).has_value(); }
    void PutOldLinks() {
        for (const std::string* folder : {&UserPrograms, &CommonPrograms, &UserDesktop, &CommonDesktop})
            ASSERT_TRUE(Machine.Files.PutFile(Link(*folder), "old"));
    }
};

TEST_F(Shortcuts, PerUserWithDesktopMovesTheLinksToTheUser) {
    PutOldLinks();
    Utils.ShortcutSet(false, true, MainDir);
    EXPECT_TRUE(Exists(UserPrograms));
    EXPECT_TRUE(Exists(UserDesktop));
    EXPECT_FALSE(Exists(CommonPrograms));
    EXPECT_FALSE(Exists(CommonDesktop));
    EXPECT_EQ(Utils.InstallLog(), (std::vector<std::string>{"File Copy: " + Link(UserPrograms),
                                                            "File Copy: " + Link(UserDesktop)}));
    auto link = Machine.Shell.ReadShellLink(Link(UserDesktop));
    ASSERT_TRUE(link);
    EXPECT_EQ(link->Target, "C:\\Program Files\\Ulvara\\vlmr.exe");
    EXPECT_EQ(link->WorkingDirectory, MainDir);
    EXPECT_EQ(link->Description, kShortcutDescription);
}

TEST_F(Shortcuts, AllUsersWithoutDesktopKeepsTheCommonDesktopLink) {
    PutOldLinks();
    Utils.ShortcutSet(true, false, MainDir);
    EXPECT_TRUE(Machine.Shell.ReadShellLink(Link(CommonPrograms)));
    EXPECT_EQ(Machine.Files.FileContent(Link(CommonDesktop)), "old")
        << "same scope, box unticked: left alone";
    EXPECT_FALSE(Exists(UserPrograms));
    EXPECT_FALSE(Exists(UserDesktop));
    EXPECT_EQ(Utils.InstallLog(), std::vector<std::string>{"File Copy: " + Link(CommonPrograms)});
}

TEST_F(Shortcuts, EmptyLookupFallsBackToTheOtherScope) {
    Machine.Shell.SetFolderResult(kCsidlCommonPrograms, kSFalse);
    ASSERT_TRUE(Machine.Files.PutFile(Link(UserPrograms), "old"));
    Utils.ShortcutSet(true, false, MainDir);
    auto link = Machine.Shell.ReadShellLink(Link(UserPrograms));
    EXPECT_TRUE(link) << "deleted, then made again in the per-user folder";
}

TEST_F(Shortcuts, ASecondIdenticalRunAddsNoLines) {
    Utils.ShortcutSet(false, true, MainDir);
    auto first = Utils.InstallLog();
    Utils.ShortcutSet(false, true, MainDir);
    EXPECT_EQ(Utils.InstallLog(), first);
    EXPECT_EQ(Machine.Shell.Saves().size(), 4u) << "the links are written again";
}

TEST_F(Shortcuts, CreateShortcutMakesAndLogsItsFolder) {
    const std::string link = "C:\\Menu\\Ulvara\\Raccourci.lnk";
    Utils.CreateShortcut(link, "C:\\Dest\\vlmr.exe", "C:\\Dest", "Desc");
    EXPECT_EQ(Utils.InstallLog(),
              (std::vector<std::string>{"Made Dir: C:\\Menu\\", "Made Dir: C:\\Menu\\Ulvara\\",
                                        "File Copy: " + link}));
    EXPECT_TRUE(Machine.Shell.ReadShellLink(link));
}

TEST_F(Shortcuts, AFailedSaveIsStillLogged) {
    ASSERT_TRUE(Machine.Files.PutFile(Link(UserPrograms), "old"));
    ASSERT_TRUE(Machine.Files.SetFileAttributesA(Link(UserPrograms), kFileAttributeReadOnly));
    Utils.CreateShortcut(Link(UserPrograms), "t", "w", "d");
    ASSERT_EQ(Machine.Shell.Saves().size(), 1u);
    EXPECT_NE(Machine.Shell.Saves()[0].Result, kSOk);
    EXPECT_EQ(Utils.InstallLog(), std::vector<std::string>{"File Copy: " + Link(UserPrograms)});
}

TEST_F(Shortcuts, NoComNoShortcutNoLine) {
    Machine.Shell.SetComAvailable(false);
    Utils.ShortcutSet(false, true, MainDir);
    EXPECT_FALSE(Exists(UserPrograms));
    EXPECT_TRUE(Utils.InstallLog().empty());
}

} // namespace
} // namespace ulv::test
