#include "platform/ui/MessageDialog.h"
#include "tests/unit/WizardFixture.h"
#include "wizard/UpdateLog.h"

namespace ulv::test {
namespace {

const std::string kUpdateLog = "C:\\ProgramData\\Ulvara\\Update.log";

class FinishSteps : public InstallationTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(AttachedFiles);
        for (const char* folder : {"C:\\ProgramData", "C:\\Program Files"})
            ASSERT_TRUE(Machine.Files.PutFolder(folder));
    }
    [[nodiscard]] std::vector<std::string> Lines(const std::string& path) {
        std::optional<std::string> text = Machine.Files.FileContent(path);
        std::vector<std::string> lines;
        if (!text) return lines;
        size_t start = 0;
        for (size_t end; (end = text->find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text->substr(start, end - start));
        EXPECT_EQ(start, text->size()) << "every line ends with CR LF";
        return lines;
    }
};

TEST_F(FinishSteps, UpdateLogGetsTheInstallationsSection) {
    ASSERT_TRUE(Machine.Files.PutFile(
        kUpdateLog, "*0000000000000000\r\nC:\\ProgramData\\Ulvara\\Public\\Ancien.dat\r\n"));
    Install("C:\\Program Files\\Ulvara");
    Installation.WriteUpdateLog();
    std::vector<std::string> lines = Lines(kUpdateLog);
    ASSERT_EQ(lines.size(), 2u + 1u + 257u);
    EXPECT_EQ(lines[0], "*0000000000000000");
    EXPECT_EQ(lines[2], UpdateLogStampLine(Installation.InstallTime));
    std::vector<std::string> sorted = AttachedFiles->UpdateList;
    SortUpdateList(sorted, Machine.Text);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end()), sorted);
    EXPECT_TRUE(Asked.empty());
}

TEST_F(FinishSteps, PortableInstallationNeverTouchesTheUpdateLog) {
    AddStick();
    ASSERT_TRUE(Machine.Files.PutFile(kUpdateLog, "x"));
    Install("R:\\Ulvara");
    Installation.WriteUpdateLog();
    EXPECT_EQ(*Machine.Files.FileContent(kUpdateLog), "x");
    EXPECT_EQ(Machine.Files.GetFileAttributesA("R:\\Ulvara\\Update.log"), kInvalidFileAttributes);
}

TEST_F(FinishSteps, UpdateLogThatCannotBeWrittenIsReportedAndKeptWhole) {
    const std::string before = "*0000000000000000\r\nC:\\ProgramData\\Ulvara\\Public\\Ancien.dat\r\n";
    ASSERT_TRUE(Machine.Files.PutFile(kUpdateLog, before));
    Install("C:\\Program Files\\Ulvara");
    Machine.Files.InjectMoveFailure(1, kErrorAccessDenied);
    Installation.WriteUpdateLog();
    EXPECT_EQ(*Machine.Files.FileContent(kUpdateLog), before);
    ASSERT_EQ(Asked.size(), 1u);
    const TAsked& warning = Asked[0];
    EXPECT_EQ(warning.Kind, kMessageWarning);
    EXPECT_EQ(warning.Buttons, kButtonOk);
    EXPECT_NE(warning.Text.find(kUpdateLog), std::string::npos) << warning.Text;
}

} // namespace
} // namespace ulv::test
