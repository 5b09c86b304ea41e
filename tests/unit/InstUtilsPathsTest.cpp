#include "InstUtilsFixture.h"

namespace ulv::test {
namespace {

TEST(PathText, TrailingBackslashAndJoin) {
    for (auto [in, out] : {std::pair{"", ""},
                           {"C:\\Temp", "C:\\Temp\\"},
                           {"C:\\Temp/", "C:\\Temp\\"},
                           {"C:\\Temp\\", "C:\\Temp\\"}}) {
        std::string path = in;
        EXPECT_EQ(EnsureTrailingBackslash(path), out) << in;
    }
    EXPECT_EQ(JoinPath("C:\\Dest", "Install.log"), "C:\\Dest\\Install.log");
    EXPECT_EQ(JoinPath("C:\\Dest\\", "Install.log"), "C:\\Dest\\Install.log");
    EXPECT_EQ(JoinPath("", "Install.log"), "Install.log");
}

TEST(PathText, CaptionLiteralKeepsAmpersandsVisible) {
    EXPECT_EQ(CaptionLiteral("-"), "- ");
    EXPECT_EQ(CaptionLiteral("R&D"), "R&&D");
    EXPECT_EQ(CaptionLiteral("&&"), "&&&&");
    EXPECT_EQ(CaptionLiteral(""), "");
    EXPECT_EQ(CaptionLiteral("--"), "--") << "only a lone dash";
}

TEST_F(InstUtilsTest, SameTextNoCaseUsesAnsiCasing) {
    EXPECT_TRUE(Utils.SameTextNoCase("C:\\Modèles\\été", "c:\\MODÈLES\\ÉTÉ"));
    EXPECT_TRUE(Utils.SameTextNoCase("é", "É"));
    EXPECT_FALSE(Utils.SameTextNoCase("é", "E"));
    EXPECT_FALSE(Utils.SameTextNoCase("abc", "abcd"));
}

TEST_F(InstUtilsTest, IsExistingDirectoryTakesOnlyTheAbsoluteForm) {
    ASSERT_TRUE(Machine.Files.PutFolder("C:\\Windows\\System32"));
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Windows\\win.ini", "[fonts]"));
    ASSERT_TRUE(Machine.Files.SetCurrentDirectoryA("C:\\Windows"));
    const int setsBefore = Machine.Files.SetCurrentDirectoryCalls();

    for (const char* yes : {"C:\\", "C:\\Windows", "C:\\WINDOWS", "c:\\windows\\system32\\", "C:\\Windows/"})
        EXPECT_TRUE(Utils.IsExistingDirectory(yes)) << yes;
    for (const char* no : {"", "System32", ".\\System32", "C:\\Windows\\.", "C:\\Windows\\System32\\..",
                           "C:/Windows", "C:\\Absent", "C:\\Windows\\win.ini", "Q:\\", "C:\\Windows."})
        EXPECT_FALSE(Utils.IsExistingDirectory(no)) << no;

    EXPECT_EQ(Machine.Files.GetCurrentDirectoryA(), "C:\\Windows");
    EXPECT_EQ(Machine.Files.SetCurrentDirectoryCalls(), setsBefore) << "never made current, not even briefly";
}

TEST_F(InstUtilsTest, PushAndPopRestoreTheCurrentDirectory) {
    ASSERT_TRUE(Machine.Files.PutFolder("C:\\A\\B"));
    ASSERT_TRUE(Machine.Files.SetCurrentDirectoryA("C:\\A"));
    Utils.PushCurrentDirectory();
    ASSERT_TRUE(Machine.Files.SetCurrentDirectoryA("B"));
    Utils.PushCurrentDirectory();
    ASSERT_TRUE(Machine.Files.SetCurrentDirectoryA("C:\\"));
    EXPECT_EQ(Utils.ReadCurrentDirectory(), "C:\\");
    Utils.PopCurrentDirectory();
    EXPECT_EQ(Utils.ReadCurrentDirectory(), "C:\\A\\B\\");
    Utils.PopCurrentDirectory();
    EXPECT_EQ(Utils.ReadCurrentDirectory(), "C:\\A\\");
    Utils.PopCurrentDirectory(); // nothing left: nothing happens
    EXPECT_EQ(Utils.ReadCurrentDirectory(), "C:\\A\\");
}

TEST_F(InstUtilsTest, SpecialFoldersOnlyOnSuccess) {
    EXPECT_EQ(Utils.GetSpecialFolder(kCsidlProgramFiles), "C:\\Program Files");
    EXPECT_EQ(Utils.GetSpecialFolder(0x7777), "") << "a number the system does not know";
    Machine.Shell.SetFolderResult(kCsidlPersonal, kSFalse);
    EXPECT_EQ(Utils.GetSpecialFolder(kCsidlPersonal), "") << "S_FALSE is no folder";
    Machine.Shell.SetFolderFunctionAvailable(false);
    EXPECT_EQ(Utils.GetSpecialFolder(kCsidlProgramFiles), "");
}

TEST_F(InstUtilsTest, TempFolderFallsBackToTheDocuments) {
    ASSERT_TRUE(Machine.Files.PutFolder("C:\\users\\test\\Temp"));
    EXPECT_EQ(Utils.GetTempFolder(), "C:\\users\\test\\Temp\\");
    Machine.Files.SetTempPath("C:\\Nowhere\\Temp\\");
    EXPECT_EQ(Utils.GetTempFolder(), "C:\\users\\test\\Documents\\");
    Machine.Shell.SetFolderResult(kCsidlPersonal, kEFail);
    EXPECT_EQ(Utils.GetTempFolder(), "") << "both missing: empty, not a lone backslash";
}

} // namespace
} // namespace ulv::test
