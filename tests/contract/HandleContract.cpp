#include "ContractEnv.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace ulv::contract {
namespace {

constexpr std::uint32_t kShareReadWrite = kFileShareRead | kFileShareWrite;
constexpr std::uint32_t kShareAll = kShareReadWrite | kFileShareDelete;
// How the setup opens what it decides on: a folder as well as a file, and a link as itself.
constexpr std::uint32_t kAsItself = kFileFlagBackupSemantics | kFileFlagOpenReparsePoint;
constexpr std::uint32_t kKindBits = kFileAttributeDirectory | kFileAttributeReparsePoint;

std::string TestName() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

// Every case works in a folder of its own below the harness's scratch folder.
class HandleContract : public ::testing::Test {
protected:
    IFiles& Files = Env().Platform.Files;
    const std::string Dir = Env().Scratch + TestName() + "\\";

    void SetUp() override { ASSERT_TRUE(Files.CreateDirectoryA(Dir)) << Dir; }

    UniqueFile Open(const std::string& path, std::uint32_t access, std::uint32_t share, std::uint32_t flags) {
        return UniqueFile(Files, Files.CreateFileA(path, access, share, kOpenExisting, flags));
    }
    bool MakeFile(const std::string& path) {
        UniqueFile f(Files, Files.CreateFileA(path, kGenericWrite, 0, kCreateNew, kFileAttributeNormal));
        std::uint32_t written = 0;
        return f && Files.WriteFile(f.Get(), "abc", 3, written);
    }
    bool Exists(const std::string& path) { return Files.GetFileAttributesA(path) != kInvalidFileAttributes; }
    std::optional<TFileInformation> Information(const std::string& path, std::uint32_t flags) {
        UniqueFile f = Open(path, kReadControl, kShareReadWrite, flags);
        TFileInformation info;
        if (!f || !Files.GetFileInformationByHandle(f.Get(), info)) return std::nullopt;
        return info;
    }
};

TEST_F(HandleContract, FolderOpensOnlyWithBackupSemanticsAndTheHandleTellsWhatItIs) {
    ASSERT_TRUE(Files.CreateDirectoryA(Dir + "Dossier"));
    ASSERT_TRUE(MakeFile(Dir + "Fichier.txt"));
    struct Case {
        const char* Name;
        std::uint32_t Kind;
        std::uint64_t Size;
    };
    for (const Case& c : {Case{"Dossier", kFileAttributeDirectory, 0}, Case{"Fichier.txt", 0, 3}}) {
        std::optional<TFileInformation> info = Information(Dir + c.Name, kAsItself);
        ASSERT_TRUE(info) << c.Name;
        EXPECT_EQ(info->Attributes & kKindBits, c.Kind) << c.Name;
        EXPECT_EQ(info->Size, c.Size) << c.Name;
        EXPECT_EQ(info->NumberOfLinks, 1u) << c.Name;
        TFindData found;
        UniqueFind find(Files, Dir + c.Name, found);
        ASSERT_TRUE(find) << c.Name;
        EXPECT_EQ(info->LastWriteTime, found.LastWriteTime) << c.Name;
    }
    EXPECT_FALSE(Open(Dir + "Dossier", kReadControl, kShareReadWrite, kFileFlagOpenReparsePoint));
    EXPECT_EQ(Files.LastError(), kErrorAccessDenied);
}

// Skipped under Wine 8, which keeps no reparse points.
TEST_F(HandleContract, LinkToAFolderIsItselfOnlyWhenOpenedAsALinkAndGoesAlone) {
    const std::string target = Dir + "Cible", link = Dir + "Lien";
    ASSERT_TRUE(Files.CreateDirectoryA(target));
    ASSERT_TRUE(MakeFile(target + "\\Fichier.txt"));
    if (!MakeFolderLink(link, target))
        GTEST_SKIP() << AdapterName() << " cannot make a link to a folder here";

    std::optional<TFileInformation> itself = Information(link, kAsItself);
    ASSERT_TRUE(itself);
    EXPECT_EQ(itself->Attributes & kKindBits, kKindBits);
    std::optional<TFileInformation> followed = Information(link, kFileFlagBackupSemantics);
    ASSERT_TRUE(followed);
    EXPECT_EQ(followed->Attributes & kKindBits, kFileAttributeDirectory);
    std::optional<TFileInformation> inside = Information(link + "\\Fichier.txt", kAsItself);
    ASSERT_TRUE(inside) << "a link on the way is followed";
    EXPECT_EQ(inside->Size, 3u);

    {
        UniqueFile f = Open(link, kDeleteAccess, kShareAll, kAsItself);
        ASSERT_TRUE(f);
        EXPECT_TRUE(Files.DeleteByHandle(f.Get()));
    }
    EXPECT_FALSE(Exists(link));
    EXPECT_TRUE(Exists(target + "\\Fichier.txt"));
}

// Windows gives what an elevated administrator's process makes to the Administrators group, and what a
// standard user's makes to that user; Wine gives it to the user, though all its processes are elevated.
TEST_F(HandleContract, OwnerOfWhatTheProcessMadeIsItsUserOrAdministrators) {
    const std::string user = Env().Platform.System.ProcessUserSid();
    ASSERT_TRUE(Files.CreateDirectoryA(Dir + "Dossier"));
    ASSERT_TRUE(MakeFile(Dir + "Fichier.txt"));
    for (const char* name : {"Dossier", "Fichier.txt"}) {
        UniqueFile f = Open(Dir + name, kReadControl, kShareReadWrite, kAsItself);
        ASSERT_TRUE(f) << name;
        std::optional<std::string> owner = Files.GetOwnerSid(f.Get());
        ASSERT_TRUE(owner) << name;
        EXPECT_TRUE(*owner == user || *owner == kSidAdministrators)
            << name << ": " << *owner << ", user " << user;
    }
    UniqueFile withoutReadControl = Open(Dir + "Fichier.txt", 0, kShareReadWrite, 0);
    ASSERT_TRUE(withoutReadControl);
    EXPECT_EQ(Files.GetOwnerSid(withoutReadControl.Get()), std::nullopt);
    EXPECT_EQ(Files.LastError(), kErrorAccessDenied);
}

TEST_F(HandleContract, DeletionByHandleTakesEffectAtCloseOrMarksNothing) {
    for (const char* name : {"Effacé.txt", "Lu.txt", "Lecture seule.txt"})
        ASSERT_TRUE(MakeFile(Dir + name));
    ASSERT_TRUE(Files.SetFileAttributesA(Dir + "Lecture seule.txt", kFileAttributeReadOnly));
    ASSERT_TRUE(Files.CreateDirectoryA(Dir + "Plein"));
    ASSERT_TRUE(MakeFile(Dir + "Plein\\Fichier.txt"));
    ASSERT_TRUE(Files.CreateDirectoryA(Dir + "Vide"));
    struct Case {
        const char* Name;
        std::uint32_t Access;
        std::uint32_t Error; // kErrorSuccess: deleted
    };
    for (const Case& c :
         {Case{"Effacé.txt", kDeleteAccess, kErrorSuccess}, Case{"Lu.txt", kGenericRead, kErrorAccessDenied},
          Case{"Lecture seule.txt", kDeleteAccess, kErrorAccessDenied},
          Case{"Plein", kDeleteAccess, kErrorDirNotEmpty}, Case{"Vide", kDeleteAccess, kErrorSuccess}}) {
        const bool deletes = c.Error == kErrorSuccess;
        {
            UniqueFile f = Open(Dir + c.Name, c.Access, kFileShareRead, kAsItself);
            ASSERT_TRUE(f) << c.Name;
            EXPECT_EQ(Files.DeleteByHandle(f.Get()), deletes) << c.Name;
            if (!deletes) {
                EXPECT_EQ(Files.LastError(), c.Error) << c.Name;
            }
        }
        EXPECT_EQ(Exists(Dir + c.Name), !deletes) << c.Name;
    }
    EXPECT_TRUE(Exists(Dir + "Plein\\Fichier.txt"));
}

// Sharing binds only handles that may read, write or delete: one that may only read the owner holds
// nothing, on Windows as under Wine.
TEST_F(HandleContract, FolderHeldWithoutDeleteSharingStaysUntilTheHandleCloses) {
    const std::string held = Dir + "Tenu", moved = Dir + "Déplacé";
    struct Case {
        const char* Name;
        std::uint32_t Access;
        bool Holds;
    };
    for (const Case& c :
         {Case{"GENERIC_READ", kGenericRead, true}, Case{"READ_CONTROL", kReadControl, false}}) {
        ASSERT_TRUE(Files.CreateDirectoryA(held));
        {
            UniqueFile hold = Open(held, c.Access, kShareReadWrite, kFileFlagBackupSemantics);
            ASSERT_TRUE(hold) << c.Name;
            EXPECT_EQ(Files.MoveFileExA(held, moved, 0), !c.Holds) << c.Name;
            if (c.Holds) {
                EXPECT_EQ(Files.LastError(), kErrorSharingViolation) << "moved";
                EXPECT_FALSE(Files.RemoveDirectoryA(held));
                EXPECT_EQ(Files.LastError(), kErrorSharingViolation) << "removed";
                EXPECT_TRUE(Exists(held));
            }
        }
        if (c.Holds) {
            EXPECT_TRUE(Files.MoveFileExA(held, moved, 0)) << "once closed";
        }
        EXPECT_TRUE(Files.RemoveDirectoryA(moved)) << c.Name;
        EXPECT_FALSE(Exists(moved)) << c.Name;
    }
}

TEST_F(HandleContract, RegistryKeyIsDeletedOnlyWithoutSubkeys) {
    IRegistry& registry = Env().Platform.Registry;
    const std::string path = Env().RegistryScratch + "\\" + TestName();
    RegKey key = kNoKey;
    ASSERT_EQ(registry.RegCreateKeyExA(kHkeyCurrentUser, path + "\\Parent\\Enfant", kRegOptionNonVolatile,
                                       kKeyAllAccess, key),
              0);
    (void)registry.RegCloseKey(key);
    ASSERT_EQ(registry.RegCreateKeyExA(kHkeyCurrentUser, path, kRegOptionNonVolatile, kKeyAllAccess, key), 0);
    UniqueKey parent(registry, key);
    ASSERT_EQ(registry.RegCreateKeyExA(parent.Get(), "Valeurs", kRegOptionNonVolatile, kKeyAllAccess, key),
              0);
    {
        UniqueKey values(registry, key);
        const std::uint8_t one[4] = {1, 0, 0, 0};
        ASSERT_EQ(registry.RegSetValueExA(values.Get(), "LAUNCH", kRegDword, one, sizeof one), 0);
    }
    struct Case {
        const char* SubKey;
        std::uint32_t Status;
        bool Stays;
    };
    for (const Case& c : {Case{"Valeurs", kErrorSuccess, false}, Case{"Parent", kErrorAccessDenied, true},
                          Case{"Absent", kErrorFileNotFound, false}}) {
        EXPECT_EQ(registry.RegDeleteKeyA(parent.Get(), c.SubKey), static_cast<std::int32_t>(c.Status))
            << c.SubKey;
        EXPECT_EQ(registry.RegOpenKeyExA(parent.Get(), c.SubKey, kKeyRead, key) == 0, c.Stays) << c.SubKey;
        UniqueKey opened(registry, key);
    }
}

TEST_F(HandleContract, ProcessUserIsAStringSidAndTheProcessWorksOnWithRedirectionGuard) {
    ISystem& system = Env().Platform.System;
    const std::string user = system.ProcessUserSid();
    EXPECT_TRUE(user.starts_with("S-1-")) << user;
    RecordProperty("RedirectionGuard", system.EnableRedirectionGuard() ? "on" : "refused");
    // The guard changes which links the process follows, never who it is or what it may open.
    EXPECT_EQ(system.ProcessUserSid(), user);
    ASSERT_TRUE(MakeFile(Dir + "Après.txt"));
    EXPECT_TRUE(Open(Dir + "Après.txt", kGenericRead, kFileShareRead, 0));
}

} // namespace
} // namespace ulv::contract
