#include "ContractEnv.h"

#include <gtest/gtest.h>

namespace ulv::contract {
namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::string ParentOf(const std::string& path) {
    return path.substr(0, path.find_last_of('\\') + 1);
}

std::string FolderPath(int csidl) {
    std::string path;
    EXPECT_EQ(Env().Platform.Shell.SHGetFolderPathA(csidl, path), kSOk) << "CSIDL " << csidl;
    return path;
}

TEST(ShellContract, SpecialFoldersAreAbsoluteWithoutTrailingBackslash) {
    for (int csidl : {kCsidlPrograms, kCsidlPersonal, kCsidlDesktopDirectory, kCsidlCommonPrograms,
                      kCsidlCommonDesktopDirectory, kCsidlCommonAppData, kCsidlProgramFiles}) {
        std::string path = FolderPath(csidl);
        ASSERT_GE(path.size(), 4u) << "CSIDL " << csidl << ": " << path;
        EXPECT_EQ(path.substr(1, 2), ":\\") << "CSIDL " << csidl << ": " << path;
        EXPECT_NE(path.back(), '\\') << "CSIDL " << csidl << ": " << path;
    }
}

TEST(ShellContract, CommonFoldersLieOutsideTheUsersProfile) {
    // The profile is where the user's own desktop lives.
    const std::string profile = ParentOf(FolderPath(kCsidlDesktopDirectory));
    ASSERT_GE(profile.size(), 4u);
    for (int csidl : {kCsidlPrograms, kCsidlPersonal})
        EXPECT_TRUE(StartsWith(FolderPath(csidl), profile)) << "CSIDL " << csidl << " outside " << profile;
    for (int csidl :
         {kCsidlCommonPrograms, kCsidlCommonDesktopDirectory, kCsidlCommonAppData, kCsidlProgramFiles})
        EXPECT_FALSE(StartsWith(FolderPath(csidl), profile)) << "CSIDL " << csidl << " inside " << profile;
    EXPECT_NE(FolderPath(kCsidlCommonDesktopDirectory), FolderPath(kCsidlDesktopDirectory));
    EXPECT_NE(FolderPath(kCsidlCommonPrograms), FolderPath(kCsidlPrograms));
}

TEST(ShellContract, UnknownFolderNumberFails) {
    // 0x70 is no CSIDL on any Windows (Wine knows 99, so that one will not do).
    std::string path;
    EXPECT_NE(Env().Platform.Shell.SHGetFolderPathA(0x70, path), kSOk);
    EXPECT_EQ(path, "");
}

// What decides how the word processor is started at the end: the token's elevation, and the desktop's shell
// starting a program for the setup, from the folder given (the command interpreter writes a file there by a
// relative name). Wine 8 gives every process of its prefix an elevated token (type 2, manifest or not), and
// its desktop shell (explorer) starts the program: S_OK, the file made in the folder given.
TEST(ShellContract, TheTokenSaysItsElevationAndTheDesktopShellStartsAProgram) {
    const std::optional<std::uint32_t> elevation = Env().Platform.System.TokenElevationType();
    if (elevation) {
        EXPECT_GE(*elevation, kTokenElevationTypeDefault);
        EXPECT_LE(*elevation, kTokenElevationTypeLimited);
    }
    if (UnderWine()) {
        EXPECT_EQ(elevation, std::optional<std::uint32_t>(kTokenElevationTypeFull));
    }
    IShell& shell = Env().Platform.Shell;
    const std::string program = CommandInterpreterPath(), arguments = "/c echo lanc\xE9> lanc\xE9.txt";
    EXPECT_EQ(shell.ShellExecuteFromDesktop(program, arguments, Env().Scratch, 0), kCoENotInitialized)
        << "OLE first";
    ASSERT_GE(shell.OleInitialize(), 0);
    const HResult result = shell.ShellExecuteFromDesktop(program, arguments, Env().Scratch, 0);
    shell.OleUninitialize();
    ASSERT_EQ(result, kSOk);
    if (std::string(AdapterName()) != "win32") return; // the sim starts nothing
    const std::string made = Env().Scratch + "lanc\xE9.txt";
    IFiles& files = Env().Platform.Files;
    for (int i = 0; i < 200 && files.GetFileAttributesA(made) == kInvalidFileAttributes; ++i)
        Env().Platform.Clock.Sleep(50);
    EXPECT_NE(files.GetFileAttributesA(made), kInvalidFileAttributes) << "started, from " << Env().Scratch;
}

class ShellLinkContract : public ::testing::Test {
protected:
    IShell& Shell = Env().Platform.Shell;
    IFiles& Files = Env().Platform.Files;
    const std::string Folder = Env().Scratch + "Raccourcis";
    const std::string Target = Env().Scratch + "Éditeur\\vlmr.exe";
    const std::string WorkingFolder = Env().Scratch + "Éditeur";
    const std::string Description =
        "Traitement de texte compact, rapide, puissant, et par dessus tout pratique.";

    void SetUp() override {
        HResult ole = Shell.OleInitialize();
        ASSERT_TRUE(ole == kSOk || ole == kSFalse) << ole;
        for (const std::string& folder : {Folder, WorkingFolder})
            ASSERT_TRUE(Files.CreateDirectoryA(folder) || Files.LastError() == kErrorAlreadyExists) << folder;
        UniqueFile target(Files, Files.CreateFileA(Target, kGenericWrite, 0, kCreateAlways, 0));
        ASSERT_TRUE(target);
    }
    void TearDown() override { Shell.OleUninitialize(); }

    HResult WriteLink(const std::string& linkPath) {
        std::unique_ptr<IShellLinkObject> link = Shell.CreateShellLink();
        if (!link) return kEFail;
        for (HResult step : {link->SetPath(Target), link->SetWorkingDirectory(WorkingFolder),
                             link->SetDescription(Description)})
            if (step != kSOk) return step;
        return link->Save(linkPath, true);
    }
};

TEST_F(ShellLinkContract, SavedLinkReadsBackWhatWasSet) {
    const std::string linkPath = Folder + "\\Traitement de texte Ulvara.lnk";
    ASSERT_EQ(WriteLink(linkPath), kSOk);
    EXPECT_EQ(Files.GetFileAttributesA(linkPath) & kFileAttributeDirectory, 0u);

    std::optional<TShellLinkInfo> info = Shell.ReadShellLink(linkPath);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->Target, Target);
    EXPECT_EQ(info->WorkingDirectory, WorkingFolder);
    EXPECT_EQ(info->Description, Description);
}

TEST_F(ShellLinkContract, SavingIntoAMissingFolderFails) {
    const std::string linkPath = Folder + "\\Absent\\Ulvara.lnk";
    EXPECT_NE(WriteLink(linkPath), kSOk);
    EXPECT_EQ(Files.GetFileAttributesA(linkPath), kInvalidFileAttributes);
}

TEST_F(ShellLinkContract, MissingLinkCannotBeRead) {
    EXPECT_FALSE(Shell.ReadShellLink(Folder + "\\Absent.lnk"));
}

} // namespace
} // namespace ulv::contract
