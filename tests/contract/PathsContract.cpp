#include "ContractEnv.h"

#include <gtest/gtest.h>

namespace ulv::contract {
namespace {

// The current directory is process-wide: every case puts back the one it found.
class PathsContract : public ::testing::Test {
protected:
    IFiles& Files = Env().Platform.Files;
    std::string Before = Files.GetCurrentDirectoryA();

    void SetUp() override {
        ASSERT_FALSE(Before.empty());
        for (const char* folder : {"", "Modèles"})
            ASSERT_TRUE(Files.CreateDirectoryA(Path(folder)) || Files.LastError() == kErrorAlreadyExists);
    }
    void TearDown() override { EXPECT_TRUE(Files.SetCurrentDirectoryA(Before)) << Before; }

    // A folder of its own in the scratch area, given with its trailing backslash.
    static std::string Path(const std::string& relative) { return Env().Scratch + "Chemins\\" + relative; }
    static std::string Folder() { return Env().Scratch + "Chemins"; }
};

TEST_F(PathsContract, AbsolutePathsComeBackAsPassed) {
    // Nothing is looked up on disk: the letter case stays the caller's, the trailing backslash too.
    for (const std::string& path : {std::string("C:\\WINDOWS\\"), std::string("c:\\windows"),
                                    Path("MODÈLES\\"), Path("modèles"), Path("Absent\\Fichier.txt")}) {
        EXPECT_EQ(Files.GetFullPathNameA(path), path);
    }
}

TEST_F(PathsContract, DotsAndSlashesAreResolved) {
    EXPECT_EQ(Files.GetFullPathNameA(Path("Modèles\\..\\Modèles\\.\\Mémo.rtf")), Path("Modèles\\Mémo.rtf"));
    EXPECT_EQ(Files.GetFullPathNameA(Path("Modèles/Sous-dossier/../Mémo.rtf")), Path("Modèles\\Mémo.rtf"));
    EXPECT_EQ(Files.GetFullPathNameA("C:\\..\\..\\Windows"), "C:\\Windows") << "no climbing above the root";
}

TEST_F(PathsContract, RelativePathsStartAtTheCurrentDirectory) {
    ASSERT_TRUE(Files.SetCurrentDirectoryA(Path("Modèles")));
    EXPECT_EQ(Files.GetFullPathNameA("Mémo.rtf"), Path("Modèles\\Mémo.rtf"));
    EXPECT_EQ(Files.GetFullPathNameA(".\\Sous-dossier\\"), Path("Modèles\\Sous-dossier\\"));
    EXPECT_EQ(Files.GetFullPathNameA("..\\Autre.txt"), Path("Autre.txt"));
    EXPECT_EQ(Files.GetFullPathNameA("."), Path("Modèles"));
    EXPECT_EQ(Files.GetFullPathNameA("\\Windows"), "C:\\Windows") << "a rooted path takes the current drive";
}

TEST_F(PathsContract, CurrentDirectoryDropsTheTrailingBackslashButNotAtTheRoot) {
    ASSERT_TRUE(Files.SetCurrentDirectoryA(Path("MODÈLES\\")));
    EXPECT_EQ(Files.GetCurrentDirectoryA(), Path("MODÈLES")) << "the case as passed";
    ASSERT_TRUE(Files.SetCurrentDirectoryA(Folder()));
    EXPECT_EQ(Files.GetCurrentDirectoryA(), Folder());
    ASSERT_TRUE(Files.SetCurrentDirectoryA("C:\\"));
    EXPECT_EQ(Files.GetCurrentDirectoryA(), "C:\\");
}

TEST_F(PathsContract, CurrentDirectoryMustBeAnExistingFolder) {
    ASSERT_TRUE(Files.SetCurrentDirectoryA(Path("Modèles")));
    EXPECT_FALSE(Files.SetCurrentDirectoryA(Path("Absent")));
    EXPECT_EQ(Files.LastError(), kErrorFileNotFound);
    EXPECT_FALSE(Files.SetCurrentDirectoryA(Path("Absent\\Plus loin")));
    EXPECT_EQ(Files.LastError(), kErrorPathNotFound);

    UniqueFile file(Files, Files.CreateFileA(Path("fichier.txt"), kGenericWrite, 0, kCreateAlways, 0));
    ASSERT_TRUE(file);
    file.Reset();
    EXPECT_FALSE(Files.SetCurrentDirectoryA(Path("fichier.txt")));
    EXPECT_EQ(Files.LastError(), kErrorDirectoryName);
    EXPECT_EQ(Files.GetCurrentDirectoryA(), Path("Modèles")) << "a refused change changes nothing";
    EXPECT_TRUE(Files.DeleteFileA(Path("fichier.txt")));
}

TEST_F(PathsContract, TempPathIsAbsoluteWithATrailingBackslash) {
    std::string temp = Files.GetTempPathA();
    ASSERT_GE(temp.size(), 4u);
    EXPECT_EQ(temp.substr(1, 2), ":\\");
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_EQ(Files.GetFullPathNameA(temp), temp);
}

} // namespace
} // namespace ulv::contract
