#include "InstUtilsFixture.h"
#include "tests/unit/RecordingFiles.h"

namespace ulv::test {
namespace {

class FileOps : public InstUtilsTest {
protected:
    const std::string Temp = "C:\\users\\test\\Temp\\";
    std::string TempName(int n) const { return Temp + TempNamePrefix() + std::to_string(n) + ".tmp"; }
    bool Exists(const std::string& path) {
        return Machine.Files.GetFileAttributesA(path) != kInvalidFileAttributes;
    }
};

TEST_F(FileOps, MakeDirectoryTreeLogsOutermostFirst) {
    StartLog();
    Utils.MakeDirectoryTree("C:\\A\\B\\");
    EXPECT_EQ(Utils.InstallLog(), (std::vector<std::string>{"Made Dir: C:\\A\\", "Made Dir: C:\\A\\B\\"}));
    EXPECT_TRUE(Utils.IsExistingDirectory("C:\\A\\B"));

    Utils.MakeDirectoryTree("C:\\A\\B\\");
    EXPECT_EQ(Utils.InstallLog().size(), 2u) << "an existing folder logs nothing";

    Utils.MakeDirectoryTree("C:\\X\\Y");
    auto log = Utils.InstallLog();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[2], "Made Dir: C:\\X\\") << "ancestors derived with their backslash";
    EXPECT_EQ(log[3], "Made Dir: C:\\X\\Y") << "the level itself as passed";
}

TEST_F(FileOps, MakeDirectoryTreeEndsAtAMissingDriveWithoutLoggingRoots) {
    StartLog();
    Utils.MakeDirectoryTree("Q:\\A\\");
    EXPECT_EQ(Utils.InstallLog(), std::vector<std::string>{"Made Dir: Q:\\A\\"})
        << "the attempt, not the root";
}

TEST_F(FileOps, WriteStringToFileReplacesTheContent) {
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Dest\\data.bin", "a much longer old content"));
    EXPECT_TRUE(Utils.WriteStringToFile("C:\\Dest\\data.bin", std::string("\x01\x00\x02", 3)));
    EXPECT_EQ(Machine.Files.FileContent("C:\\Dest\\data.bin"), std::string("\x01\x00\x02", 3));
    EXPECT_TRUE(Utils.WriteStringToFile("C:\\Dest\\empty.bin", ""));
    EXPECT_EQ(Machine.Files.FileContent("C:\\Dest\\empty.bin"), "");
    EXPECT_FALSE(Utils.WriteStringToFile("C:\\Absent\\x.bin", "x")) << "no folder is created";
    EXPECT_FALSE(Exists("C:\\Absent"));
}

// Whole only when every byte came, within the cap; what came before a failure or the cap is kept.
TEST_F(FileOps, ACappedReadTellsAWholeFileFromAPart) {
    const std::string path = "C:\\Dest\\data.txt", content = "0123456789";
    ASSERT_TRUE(Machine.Files.PutFile(path, content));
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Dest\\empty.txt", ""));
    struct Case {
        std::string Path;
        std::uint64_t Cap, Readable;
        std::string Read;
        bool Whole;
    };
    constexpr std::uint64_t kAll = ~0ull;
    for (const Case& c :
         {Case{path, 10, kAll, content, true}, Case{path, 9, kAll, "012345678", false},
          Case{path, 100'000, 3, "012", false}, Case{path, 10, 10, content, false},
          Case{"C:\\Dest\\empty.txt", 0, kAll, "", true}, Case{"C:\\Absent.txt", 10, kAll, "", false}}) {
        RecordingFiles files(Machine.Files);
        files.FailReadsAfter(c.Readable);
        TFileRead read = ReadFileCapped(files, c.Path, c.Cap);
        EXPECT_EQ(read.Content, c.Read) << c.Cap << " " << c.Readable;
        EXPECT_EQ(read.Whole, c.Whole) << c.Cap << " " << c.Readable;
        files.FailReadsAfter(c.Readable);
        EXPECT_EQ(ReadWholeFile(files, c.Path, c.Cap).has_value(), c.Whole);
    }
    EXPECT_EQ(Machine.Files.OpenHandleCount(), 0u);
}

TEST_F(FileOps, DeleteDirectoryTreeKeepsWhatCannotGo) {
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Old\\a.txt", "a"));
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Old\\Sub\\Deep\\keep.txt", "k"));
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Old\\Sub\\Deep\\b.txt", "b"));
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Old\\Other\\c.txt", "c"));
    ASSERT_TRUE(Machine.Files.SetFileAttributesA("C:\\Old\\Sub\\Deep\\keep.txt", kFileAttributeReadOnly));
    Utils.DeleteDirectoryTree("C:\\Old");
    EXPECT_TRUE(Exists("C:\\Old\\Sub\\Deep\\keep.txt"));
    for (const char* gone : {"C:\\Old\\a.txt", "C:\\Old\\Sub\\Deep\\b.txt", "C:\\Old\\Other"})
        EXPECT_FALSE(Exists(gone)) << gone;

    ASSERT_TRUE(Machine.Files.SetFileAttributesA("C:\\Old\\Sub\\Deep\\keep.txt", kFileAttributeNormal));
    Utils.DeleteDirectoryTree("C:\\Old\\");
    EXPECT_FALSE(Exists("C:\\Old"));
}

TEST_F(FileOps, TemporaryNamesSkipTakenNames) {
    ASSERT_TRUE(Machine.Files.PutFolder(Temp));
    EXPECT_EQ(TempNamePrefix(), "~InstallationdutraitementdetexteUlvara");
    EXPECT_EQ(Utils.NewTempFileName(), TempName(0));
    ASSERT_TRUE(Machine.Files.PutFile(TempName(0), ""));
    ASSERT_TRUE(Machine.Files.PutFile(TempName(1), ""));
    EXPECT_EQ(Utils.NewTempFileName(), TempName(2));
    ASSERT_TRUE(Machine.Files.PutFolder(TempName(2)));
    EXPECT_EQ(Utils.NewTempFileName(), TempName(3)) << "no file can be created where a folder stands";
    EXPECT_FALSE(Exists(TempName(3))) << "nothing created";
}

TEST_F(FileOps, LeftoversGoOthersStay) {
    const std::string other = Temp + "~INSTALLATIONDUTRAITEMENTDETEXTEULVARA7.tmp";
    ASSERT_TRUE(Machine.Files.PutFile(TempName(0), "licence"));
    ASSERT_TRUE(Machine.Files.PutFile(Temp + TempNamePrefix() + "Dir\\inner\\x.txt", "x"));
    ASSERT_TRUE(Machine.Files.PutFile(other, "not ours"));
    ASSERT_TRUE(Machine.Files.PutFile(Temp + "autre.tmp", "not ours"));
    Utils.DeleteTempLeftovers();
    EXPECT_FALSE(Exists(TempName(0)));
    EXPECT_FALSE(Exists(Temp + TempNamePrefix() + "Dir"));
    EXPECT_TRUE(Exists(other)) << "differs only in case";
    EXPECT_TRUE(Exists(Temp + "autre.tmp"));
}

// A junction is removed as a link: whatever it points at, at whatever level it stands, keeps its content.
TEST_F(FileOps, LinksAreRemovedNeverFollowed) {
    const std::string precious = "C:\\Users\\test\\Documents\\";
    auto putPrecious = [&] {
        ASSERT_TRUE(Machine.Files.PutFile(precious + "lettre.vlt", "keep"));
        ASSERT_TRUE(Machine.Files.PutFile(precious + "Sub\\notes.txt", "keep"));
    };
    auto preciousIsWhole = [&](const std::string& how) {
        EXPECT_EQ(Machine.Files.FileContent(precious + "lettre.vlt"), "keep") << how;
        EXPECT_EQ(Machine.Files.FileContent(precious + "Sub\\notes.txt"), "keep") << how;
    };
    putPrecious();
    const std::string leftoverLink = Temp + TempNamePrefix() + "Link";
    ASSERT_TRUE(Machine.Files.PutFolderLink(leftoverLink, precious));
    Utils.DeleteTempLeftovers();
    preciousIsWhole("a leftover that is a junction");
    EXPECT_FALSE(Exists(leftoverLink)) << "the link itself goes";

    for (const char* start : {"C:\\Old", "C:\\Old\\"}) {
        putPrecious();
        ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\Old", precious));
        Utils.DeleteDirectoryTree(start);
        preciousIsWhole(start);
        EXPECT_FALSE(Exists("C:\\Old")) << start;
    }

    putPrecious();
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Old\\a.txt", "a"));
    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\Old\\Deep\\Link", precious));
    Utils.DeleteDirectoryTree("C:\\Old");
    preciousIsWhole("a junction below the folder");
    EXPECT_FALSE(Exists("C:\\Old"));
}

TEST_F(FileOps, FileDatesAtDosPrecision) {
    Machine.Clock.SetUtcOffsetMinutes(60);
    // 10:00:01 local is 09:00:01 UTC.
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Dest\\f.txt", "x", sim::FileTimeFromCivil(2017, 4, 14, 9, 0, 1)));
    EXPECT_EQ(Utils.FileModifiedDate("C:\\Dest\\f.txt"), EncodeDateTime({2017, 4, 14, 10, 0, 0, 0}));

    Machine.Clock.SetUtcNow(sim::FileTimeFromCivil(2026, 12, 8, 9, 30, 0) + 5'000'000); // and half a second
    EXPECT_EQ(Utils.FileModifiedDate("C:\\Dest\\absent.txt"), EncodeDateTime({2026, 12, 8, 10, 30, 0, 500}))
        << "a missing file gives the local time now";
    EXPECT_EQ(Utils.GetFileDate("C:\\Dest\\f.txt", TFileDateKind::Creation),
              EncodeDateTime({2026, 12, 8, 10, 30, 0, 0}))
        << "created by PutFile at the clock's former time, 09:30 UTC";
}

} // namespace
} // namespace ulv::test
