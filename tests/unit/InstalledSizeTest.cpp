#include "tests/unit/InstUtilsFixture.h"
#include "wizard/UninstallEntry.h"

namespace ulv::test {
namespace {

class InstalledSize : public InstUtilsTest {
protected:
    void Put(const std::string& path, size_t size) {
        ASSERT_TRUE(Machine.Files.PutFile(path, std::string(size, 'x')));
    }
};

TEST_F(InstalledSize, EachFileRoundedToClustersThenTruncatedToKilobytes) {
    struct Case {
        std::uint32_t Cluster;
        std::vector<size_t> Files;
        std::int32_t KB;
    };
    for (const Case& c : {Case{4096, {1}, 4}, Case{4096, {4096}, 4}, Case{4096, {4097}, 8},
                          Case{4096, {0}, 0}, Case{512, {1}, 0}, Case{512, {1, 1, 1}, 0},
                          Case{512, {1024, 1536}, 2}, Case{65536, {1}, 64}, Case{4096, {}, 0}}) {
        sim::SimMachine machine;
        TPlatform platform = machine.Platform();
        TInstUtils utils(platform);
        machine.Volumes.SetDrive({.Letter = 'D', .ClusterSize = c.Cluster, .Label = "DONNEES"});
        ASSERT_TRUE(machine.Files.PutFolder("D:\\Ulvara"));
        for (size_t i = 0; i < c.Files.size(); ++i)
            ASSERT_TRUE(
                machine.Files.PutFile("D:\\Ulvara\\f" + std::to_string(i), std::string(c.Files[i], 'x')));
        EXPECT_EQ(utils.InstalledSizeKB("D:\\Ulvara"), c.KB) << c.Cluster << " " << c.Files.size();
    }
}

TEST_F(InstalledSize, WholeTreeWithHiddenAndReadOnlyFiles) {
    Put("C:\\Dest\\vlmr.exe", 10000);          // 12 KB
    Put("C:\\Dest\\Install.log", 10);          // 4 KB
    Put("C:\\Dest\\Sub\\Deeper\\a.dat", 4096); // 4 KB
    Put("C:\\Dest\\Sub\\cache", 1);            // 4 KB
    ASSERT_TRUE(Machine.Files.SetFileAttributesA("C:\\Dest\\Sub\\cache",
                                                 kFileAttributeHidden | kFileAttributeSystem));
    ASSERT_TRUE(Machine.Files.SetFileAttributesA("C:\\Dest\\vlmr.exe", kFileAttributeReadOnly));
    EXPECT_EQ(Utils.InstalledSizeKB("C:\\Dest"), 24);
    EXPECT_EQ(Utils.InstalledSizeKB("C:\\Dest\\"), 24);
    EXPECT_EQ(Utils.InstalledSizeKB("C:\\Missing"), 0);
}

TEST_F(InstalledSize, LinksToOtherFoldersAreNotEntered) {
    Put("C:\\Dest\\vlmr.exe", 100);
    Put("C:\\Elsewhere\\big.dat", 1 << 20);
    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\Dest\\Loop", "C:\\Dest"));
    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\Dest\\Sub\\Out", "C:\\Elsewhere"));
    EXPECT_EQ(Utils.InstalledSizeKB("C:\\Dest"), 4) << "neither the loop nor the outside folder counts";
}

TEST(UninstallEntry, ValuesInTheirOrder) {
    std::vector<TRegistryValue> values = UninstallValues("C:\\Program Files\\Ulvara", 9120);
    std::vector<std::string> texts;
    for (const TRegistryValue& v : values)
        texts.push_back(std::string(v.Name) + "=" +
                        (v.Type == kRegDword ? std::to_string(v.Number) : v.Text));
    EXPECT_EQ(texts,
              (std::vector<std::string>{"DisplayIcon=C:\\Program Files\\Ulvara\\vlmr.exe",
                                        "DisplayName=Traitement de texte Ulvara", "DisplayVersion=3.3.3.1",
                                        "EstimatedSize=9120", "Publisher=The Ulvara Word Processor Team",
                                        "UninstallString=\"C:\\Program Files\\Ulvara\\vlmr.exe\" -ui"}));
    EXPECT_EQ(UninstallValues("E:\\", 0)[0].Text, "E:\\vlmr.exe");
}

} // namespace
} // namespace ulv::test
