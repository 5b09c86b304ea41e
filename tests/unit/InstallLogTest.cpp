#include "InstUtilsFixture.h"

namespace ulv::test {
namespace {

class InstallLog : public InstUtilsTest {
protected:
    const std::string LogFile = "C:\\Dest\\Install.log";
    const std::string Sibling = "C:\\Dest\\~Ulvara1.tmp";
    void Open() { Utils.CreateInstallLog("C:\\Dest", false); }
    std::vector<std::string> Lines() { return Utils.InstallLog(); }
};

TEST_F(InstallLog, DuplicatesIgnoringCaseAreDropped) {
    StartLog();
    Utils.AddLogLine("File Copy: C:\\Dest\\vlmr.exe");
    Utils.AddLogLine("File Copy: C:\\Dest\\vlmr.exe");
    Utils.AddLogLine("FILE COPY: c:\\dest\\VLMR.EXE");
    Utils.AddLogLine("File Copy: C:\\Dest\\Modèles\\Été.vlt");
    Utils.AddLogLine("File Copy: C:\\DEST\\MODÈLES\\ÉTÉ.VLT");
    Utils.AddLogLine("File Copy: C:\\Dest\\Modeles\\Ete.vlt");
    Utils.AddLogLine("File Copy: C:\\Dest\\Œuvre-co.vlt");
    Utils.AddLogLine("FILE COPY: C:\\DEST\\OEUVRE-CO.VLT");
    Utils.AddLogLine("File Copy: C:\\Dest\\Œuvreco.vlt");
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "File Copy: C:\\Dest\\vlmr.exe", "File Copy: C:\\Dest\\Modèles\\Été.vlt",
                           "File Copy: C:\\Dest\\Modeles\\Ete.vlt", "File Copy: C:\\Dest\\Œuvre-co.vlt",
                           "File Copy: C:\\Dest\\Œuvreco.vlt"}))
        << "equal as the locale compares them: ligatures as their letters, accents and hyphens count";
}

// An Install.log kept from earlier installations may hold tens of thousands of lines: a line added is looked
// up among them, not compared with each.
TEST_F(InstallLog, ALineAddedIsNotComparedWithEveryLineHeld) {
    std::string content;
    for (int i = 0; i < 1000; ++i)
        content += "File Copy: C:\\Dest\\" + std::to_string(i) + ".vlt\r\n";
    ASSERT_TRUE(Machine.Files.PutFile(LogFile, content));
    Open();
    const unsigned long comparisons = Machine.Text.ComparisonsIn(kLocaleUserDefault);
    Utils.AddLogLine("File Copy: C:\\Dest\\new.vlt");
    Utils.AddLogLine("FILE COPY: C:\\DEST\\999.VLT");
    EXPECT_LT(Machine.Text.ComparisonsIn(kLocaleUserDefault) - comparisons, 10u);
    EXPECT_EQ(Lines().size(), 1001u);
}

TEST_F(InstallLog, SuspensionsNest) {
    StartLog();
    Utils.SuspendLogging();
    Utils.SuspendLogging();
    Utils.AddLogLine("a");
    Utils.ResumeLogging();
    EXPECT_EQ(Utils.LogSuspendCount(), 1);
    Utils.AddLogLine("b");
    Utils.ResumeLogging();
    Utils.AddLogLine("c");
    EXPECT_EQ(Lines(), std::vector<std::string>{"c"});
}

TEST_F(InstallLog, NoLogNoLines) {
    Utils.AddLogLine("a");
    EXPECT_FALSE(Utils.HasInstallLog());
    EXPECT_FALSE(Utils.StoreInstallLog());
}

TEST_F(InstallLog, LoadedLinesStandAsTheyAre) {
    ASSERT_TRUE(Machine.Files.PutFile(LogFile, "Made Dir: C:\\Dest\\\r\nFile Copy: a\nFILE COPY: A\r\rlast"));
    Open();
    EXPECT_EQ(Utils.InstallLogPath(), LogFile);
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{"Made Dir: C:\\Dest\\", "File Copy: a", "FILE COPY: A", "", "last"}));
    Utils.AddLogLine("file copy: a");
    Utils.AddLogLine("File Copy: b");
    EXPECT_EQ(Lines().size(), 6u);
    EXPECT_EQ(Lines().back(), "File Copy: b");
}

TEST_F(InstallLog, PortableInstallationHasNoFile) {
    ASSERT_TRUE(Machine.Files.PutFile(LogFile, "old\r\n"));
    Utils.CreateInstallLog("C:\\Dest", true);
    EXPECT_TRUE(Utils.HasInstallLog());
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(Utils.InstallLogPath(), "");
}

TEST_F(InstallLog, AFolderNamedInstallLogIsNotLoaded) {
    ASSERT_TRUE(Machine.Files.PutFolder(LogFile));
    Open();
    EXPECT_TRUE(Lines().empty());
}

TEST_F(InstallLog, OversizedLogIsCutAtALineEnd) {
    std::string line(1000, 'x');
    std::string content;
    while (content.size() <= kMaxInstallLogBytes)
        content += line + "\r\n";
    ASSERT_TRUE(Machine.Files.PutFile(LogFile, content));
    Open();
    auto lines = Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_LE(lines.size() * (line.size() + 2), kMaxInstallLogBytes);
    EXPECT_EQ(lines.back(), line) << "no partial line";

    ASSERT_TRUE(Machine.Files.PutFile(LogFile, std::string(kMaxInstallLogLines + 10, '\n')));
    Open();
    EXPECT_EQ(Lines().size(), kMaxInstallLogLines);
}

// Lines of earlier installations that were not read (over the caps, or a file that could not be opened)
// must not be lost by storing what was read: the file is then left exactly as it stands.
TEST_F(InstallLog, ALogNotReadWholeIsNeverShortened) {
    std::string overBytes;
    while (overBytes.size() <= kMaxInstallLogBytes)
        overBytes += std::string(1000, 'x') + "\r\n";
    overBytes += "File Copy: C:\\Dest\\first run.vlt\r\n";
    const std::string overLines =
        std::string(kMaxInstallLogLines, '\n') + "File Copy: C:\\Dest\\last.vlt\r\n";
    struct TCase {
        const char* What;
        const std::string& Content;
        bool Locked;
    };
    const std::string small = "File Copy: C:\\Dest\\vlmr.exe\r\n";
    for (const TCase& c :
         {TCase{"over the byte cap", overBytes, false}, TCase{"over the line cap", overLines, false},
          TCase{"held by another program", small, true}}) {
        ASSERT_TRUE(Machine.Files.PutFile(LogFile, c.Content));
        if (c.Locked) Machine.Files.InjectCreateFailure(LogFile, 1, kErrorSharingViolation);
        Open();
        Utils.AddLogLine("File Copy: C:\\Dest\\new.vlt");
        EXPECT_FALSE(Utils.StoreInstallLog()) << c.What;
        EXPECT_TRUE(Machine.Files.FileContent(LogFile) == c.Content) << c.What;
        EXPECT_FALSE(Machine.Files.FileContent(Sibling)) << c.What;
    }

    // Exactly at the caps the file is whole and stored with this run's line.
    const std::string atCap = std::string(kMaxInstallLogLines - 1, '\n') + "end";
    ASSERT_TRUE(Machine.Files.PutFile(LogFile, atCap));
    Open();
    Utils.AddLogLine("File Copy: C:\\Dest\\new.vlt");
    EXPECT_TRUE(Utils.StoreInstallLog());
    EXPECT_EQ(Utils.InstallLog().size(), kMaxInstallLogLines + 1);
}

TEST_F(InstallLog, StoredWithCrLfAfterEveryLine) {
    Machine.Files.PutFolder("C:\\Dest");
    Open();
    Utils.AddLogLine("L1");
    Utils.AddLogLine("L2");
    EXPECT_TRUE(Utils.StoreInstallLog());
    EXPECT_EQ(Machine.Files.FileContent(LogFile), "L1\r\nL2\r\n");
    EXPECT_FALSE(Machine.Files.FileContent(Sibling)) << "the sibling was moved, not left";

    Open();
    Utils.AddLogLine("l1");
    Utils.AddLogLine("L3");
    EXPECT_TRUE(Utils.StoreInstallLog());
    EXPECT_EQ(Machine.Files.FileContent(LogFile), "L1\r\nL2\r\nL3\r\n")
        << "a second run appends only what is new";
}

TEST_F(InstallLog, FailedStoreLeavesTheOldFileWhole) {
    ASSERT_TRUE(Machine.Files.PutFile(LogFile, "old\r\n"));
    Open();
    Utils.AddLogLine("new");

    Machine.Files.InjectCreateFailure(Sibling, 1, kErrorAccessDenied);
    EXPECT_FALSE(Utils.StoreInstallLog()) << "the sibling cannot be created";

    Machine.Files.ShortenNextWrite(Sibling, 3);
    EXPECT_FALSE(Utils.StoreInstallLog()) << "the disk fills while writing";
    EXPECT_FALSE(Machine.Files.FileContent(Sibling)) << "the partial sibling is removed";

    Machine.Files.InjectMoveFailure(1, kErrorSharingViolation);
    EXPECT_FALSE(Utils.StoreInstallLog()) << "the replace fails";
    EXPECT_FALSE(Machine.Files.FileContent(Sibling));

    ASSERT_TRUE(Machine.Files.SetFileAttributesA(LogFile, kFileAttributeReadOnly));
    EXPECT_FALSE(Utils.StoreInstallLog()) << "a read-only log is not replaced";
    EXPECT_FALSE(Machine.Files.FileContent(Sibling));

    EXPECT_EQ(Machine.Files.FileContent(LogFile), "old\r\n");
    ASSERT_TRUE(Machine.Files.SetFileAttributesA(LogFile, kFileAttributeNormal));
    EXPECT_TRUE(Utils.StoreInstallLog());
    EXPECT_EQ(Machine.Files.FileContent(LogFile), "old\r\nnew\r\n");
}

// Whatever stands at the temporary name (a link planted in a shared folder looks like any file under Wine) is
// neither written through nor deleted: the new file takes the next name.
TEST_F(InstallLog, AWorkNameLeftByACutRunIsClearedAndAFolderThereIsLeftAlone) {
    ASSERT_TRUE(Machine.Files.PutFile(LogFile, "old\r\n"));
    ASSERT_TRUE(Machine.Files.PutFile(Sibling, "cut short"));
    ASSERT_TRUE(Machine.Files.PutFolder("C:\\Dest\\~Ulvara2.tmp"));
    Open();
    Utils.AddLogLine("new");
    EXPECT_TRUE(Utils.StoreInstallLog());
    EXPECT_FALSE(Machine.Files.FileContent(Sibling));
    EXPECT_EQ(Machine.Files.GetFileAttributesA("C:\\Dest\\~Ulvara2.tmp"), kFileAttributeDirectory);
    EXPECT_EQ(Machine.Files.FileContent(LogFile), "old\r\nnew\r\n");
}

} // namespace
} // namespace ulv::test
