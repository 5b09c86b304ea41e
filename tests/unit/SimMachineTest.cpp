#include "platform/sim/SimMachine.h"
#include "platform/sim/SimErrors.h"
#include "platform/sim/SimPaths.h"
#include "utils/InstUtils.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace ulv::sim {
namespace {

TEST(SimPaths, FullPathNameResolvesAsWindows) {
    const std::string cwd = "C:\\Users\\Test";
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\a\\b", "C:\\a\\b"},
        {"C:/a/b/", "C:\\a\\b\\"},
        {"x\\y", "C:\\Users\\Test\\x\\y"},
        {".", "C:\\Users\\Test"},
        {"..\\..\\..", "C:\\"},
        {"\\Windows", "C:\\Windows"},
        {"C:x", "C:\\Users\\Test\\x"},
        {"D:x", "D:\\x"},
        {"C:", "C:\\Users\\Test"},
        {"C:\\a\\.\\b\\..\\c", "C:\\a\\c"},
        {"C:\\a\\\\b", "C:\\a\\b"},
        {"C:\\a.\\b. .", "C:\\a\\b"},
        {"C:\\a..\\b", "C:\\a.\\b"},
        {"\\\\srv\\share\\x\\..\\..", "\\\\srv\\share\\"},
        {"\\\\.\\C:", "\\\\.\\C:"},
    };
    for (auto [in, out] : cases)
        EXPECT_EQ(FullPathName(in, cwd), out) << in;
    EXPECT_EQ(FullPathName("\\x", "\\\\srv\\share\\dir"), "\\\\srv\\share\\x");
    EXPECT_FALSE(FullPathName("", cwd));
    EXPECT_FALSE(FullPathName("\\\\srv", cwd));
}

class SimMachineTest : public ::testing::Test {
protected:
    SimMachine Machine;
    void SetDrive(char letter, std::uint32_t type, std::uint32_t bus, std::uint32_t cluster = 4096) {
        TSimDrive d;
        d.Letter = letter;
        d.Type = type;
        d.BusType = bus;
        d.ClusterSize = cluster;
        d.FreeBytes = 10ull * cluster;
        d.TotalBytes = 20ull * cluster;
        Machine.Volumes.SetDrive(d);
    }
};

TEST_F(SimMachineTest, CurrentDirectoryKeepsTheCaseItWasGiven) {
    IFiles& files = Machine.Files;
    ASSERT_TRUE(Machine.Files.PutFolder("C:\\Windows\\System32"));
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Windows\\win.ini", ""));
    EXPECT_EQ(files.GetCurrentDirectoryA(), "C:\\");
    EXPECT_TRUE(files.SetCurrentDirectoryA("c:\\WINDOWS\\"));
    EXPECT_EQ(files.GetCurrentDirectoryA(), "c:\\WINDOWS");
    EXPECT_TRUE(files.SetCurrentDirectoryA("system32/"));
    EXPECT_EQ(files.GetCurrentDirectoryA(), "c:\\WINDOWS\\system32");
    EXPECT_NE(files.GetFileAttributesA("..\\win.ini"), kInvalidFileAttributes) << "relative paths everywhere";

    EXPECT_FALSE(files.SetCurrentDirectoryA("C:\\Windows\\Absent"));
    EXPECT_EQ(files.LastError(), kErrorFileNotFound);
    EXPECT_FALSE(files.SetCurrentDirectoryA("C:\\Absent\\Deeper"));
    EXPECT_EQ(files.LastError(), kErrorPathNotFound);
    EXPECT_FALSE(files.SetCurrentDirectoryA("C:\\Windows\\win.ini"));
    EXPECT_EQ(files.LastError(), kErrorDirectoryName);
    EXPECT_FALSE(files.SetCurrentDirectoryA("Q:\\"));
    EXPECT_EQ(files.LastError(), kErrorPathNotFound);
    EXPECT_EQ(files.GetCurrentDirectoryA(), "c:\\WINDOWS\\system32") << "failures change nothing";
}

TEST_F(SimMachineTest, DrivesComeAndGo) {
    IDrives& drives = Machine.Drives;
    SetDrive('E', kDriveRemovable, kBusTypeUsb, 32768);
    ASSERT_TRUE(Machine.Files.PutFile("E:\\doc.txt", "x"));
    EXPECT_EQ(drives.GetDriveTypeA("E:\\"), kDriveRemovable);
    EXPECT_EQ(drives.GetDriveTypeA("E:"), kDriveNoRootDir) << "a root needs its backslash";
    EXPECT_EQ(drives.GetDriveTypeA("E:\\doc\\"), kDriveNoRootDir);
    EXPECT_EQ(drives.GetLogicalDrives(), (1u << 2) | (1u << 4));
    auto space = drives.GetDiskFreeSpaceA("E:\\");
    ASSERT_TRUE(space);
    EXPECT_EQ(space->SectorsPerCluster * space->BytesPerSector, 32768u);
    EXPECT_EQ(space->FreeClusters, 10u);
    EXPECT_EQ(space->TotalClusters, 20u);
    EXPECT_EQ(drives.GetVolumePathNameA("E:\\doc.txt"), "E:\\");

    Machine.Volumes.SetPresent('E', false);
    EXPECT_EQ(drives.GetDriveTypeA("E:\\"), kDriveNoRootDir);
    EXPECT_EQ(drives.GetLogicalDrives(), 1u << 2);
    EXPECT_FALSE(drives.GetDiskFreeSpaceA("E:\\"));
    EXPECT_EQ(Machine.Files.GetFileAttributesA("E:\\doc.txt"), kInvalidFileAttributes);
    EXPECT_EQ(Machine.Files.LastError(), kErrorPathNotFound);

    Machine.Volumes.SetPresent('E', true);
    EXPECT_EQ(Machine.Files.FileContent("E:\\doc.txt"), "x") << "the medium comes back with its files";
}

TEST_F(SimMachineTest, NetworkSharesHoldFiles) {
    Machine.Volumes.AddShare({"\\\\serveur\\partage\\"});
    IFiles& files = Machine.Files;
    EXPECT_EQ(Machine.Drives.GetDriveTypeA("\\\\SERVEUR\\partage\\"), kDriveRemote);
    EXPECT_TRUE(files.CreateDirectoryA("\\\\serveur\\partage\\Ulvara"));
    EXPECT_NE(files.GetFileAttributesA("\\\\SERVEUR\\PARTAGE\\ulvara"), kInvalidFileAttributes);
    EXPECT_EQ(Machine.Drives.GetVolumePathNameA("\\\\serveur\\partage\\Ulvara"), "\\\\serveur\\partage\\");
    EXPECT_FALSE(files.CreateDirectoryA("\\\\serveur\\autre\\Ulvara"));
    EXPECT_EQ(files.LastError(), kErrorBadNetPath);
    EXPECT_EQ(files.CreateFileA("\\\\.\\serveur", kGenericRead, 0, kOpenExisting, 0), kNoFile);
}

TEST_F(SimMachineTest, AnEmptyCardReaderKeepsItsLetterButCannotBeRead) {
    IDrives& drives = Machine.Drives;
    Machine.Volumes.SetDrive({.Letter = 'E', .Type = kDriveRemovable, .Label = "CARTE", .HasMedia = false});
    EXPECT_NE(drives.GetLogicalDrives() & (1u << 4), 0u);
    EXPECT_EQ(drives.GetDriveTypeA("E:\\"), kDriveRemovable);
    EXPECT_FALSE(drives.GetVolumeInformationA("E:\\"));
    EXPECT_EQ(Machine.Files.LastError(), kErrorNotReady);
    EXPECT_FALSE(drives.GetDiskFreeSpaceA("E:\\"));
    EXPECT_EQ(Machine.Files.LastError(), kErrorNotReady);
    EXPECT_FALSE(Machine.Files.PutFolder("E:\\Ulvara")) << "nothing on it can be reached";

    Machine.Volumes.SetDrive({.Letter = 'E', .Type = kDriveRemovable, .Label = "CARTE"});
    auto volume = drives.GetVolumeInformationA("e:\\");
    ASSERT_TRUE(volume) << "the card is in";
    EXPECT_EQ(volume->VolumeName, "CARTE");
    EXPECT_TRUE(Machine.Files.PutFolder("E:\\Ulvara"));
}

TEST_F(SimMachineTest, VolumeInformationComesFromTheTable) {
    IDrives& drives = Machine.Drives;
    Machine.Volumes.SetDrive({.Letter = 'D',
                              .Label = "SAUVEGARDE",
                              .FileSystemFlags = kFileCasePreservedNames,
                              .FileSystemName = "FAT32",
                              .SerialNumber = 0x1234,
                              .MaximumComponentLength = 12});
    auto fat = drives.GetVolumeInformationA("D:\\");
    ASSERT_TRUE(fat);
    EXPECT_EQ(fat->VolumeName, "SAUVEGARDE");
    EXPECT_EQ(fat->FileSystemFlags, kFileCasePreservedNames);
    EXPECT_EQ(fat->FileSystemName, "FAT32");
    EXPECT_EQ(fat->SerialNumber, 0x1234u);
    EXPECT_EQ(fat->MaximumComponentLength, 12u);
    auto system = drives.GetVolumeInformationA("C:\\");
    ASSERT_TRUE(system);
    EXPECT_EQ(system->FileSystemFlags, kFileCaseSensitiveSearch | kFileCasePreservedNames) << "NTFS";
    EXPECT_FALSE(drives.GetVolumeInformationA("D:")) << "a root needs its backslash";
    EXPECT_EQ(Machine.Files.LastError(), kErrorInvalidName);
    Machine.Volumes.SetPresent('D', false);
    EXPECT_FALSE(drives.GetVolumeInformationA("D:\\"));
    EXPECT_EQ(Machine.Files.LastError(), kErrorPathNotFound);
}

TEST_F(SimMachineTest, VolumeQueriesRecordTheErrorModeInForce) {
    EXPECT_EQ(Machine.Drives.ErrorMode(), 0u);
    EXPECT_EQ(Machine.Drives.SetErrorMode(kSemFailCriticalErrors), 0u);
    (void)Machine.Drives.GetVolumeInformationA("Q:\\");
    EXPECT_EQ(Machine.Drives.SetErrorMode(0), kSemFailCriticalErrors);
    (void)Machine.Drives.GetVolumeInformationA("C:\\");
    EXPECT_EQ(Machine.Drives.ErrorModesAtVolumeQueries(),
              (std::vector<std::uint32_t>{kSemFailCriticalErrors, 0}))
        << "failed queries count too";
}

TEST_F(SimMachineTest, NetworkDrivesNameTheirShare) {
    IDrives& drives = Machine.Drives;
    Machine.Volumes.SetDrive({.Letter = 'N', .Type = kDriveRemote, .RemoteName = "\\\\Serveur\\Partage"});
    Machine.Volumes.SetDrive({.Letter = 'M', .Type = kDriveRemote});
    EXPECT_EQ(drives.WNetGetConnectionA("n:"), "\\\\Serveur\\Partage");
    EXPECT_FALSE(drives.WNetGetConnectionA("N:\\")) << "a device name, not a root";
    EXPECT_FALSE(drives.WNetGetConnectionA("M:")) << "no share recorded";
    EXPECT_FALSE(drives.WNetGetConnectionA("C:"));
    Machine.Drives.SetNetworkProviderAvailable(false);
    EXPECT_FALSE(drives.WNetGetConnectionA("N:"));
    Machine.Drives.SetNetworkProviderAvailable(true);
    Machine.Volumes.SetPresent('N', false);
    EXPECT_FALSE(drives.WNetGetConnectionA("N:")) << "disconnected";
}

// The wizard's drive timer polls while a test plugs and pulls a stick from another thread; under the
// sanitizers this shows the table is read and written safely, and every answer is one whole state.
TEST_F(SimMachineTest, DrivesChangeSafelyWhileTheyArePolled) {
    std::atomic<bool> done = false;
    std::thread plugger([&] {
        for (int i = 0; i < 2000; ++i) {
            Machine.Volumes.SetDrive({.Letter = 'U', .Type = kDriveRemovable, .Label = "STICK"});
            Machine.Volumes.SetPresent('U', false);
            Machine.Volumes.RemoveDrive('U');
        }
        done = true;
    });
    while (!done) {
        auto volume = Machine.Drives.GetVolumeInformationA("U:\\");
        std::uint32_t type = Machine.Drives.GetDriveTypeA("U:\\");
        (void)Machine.Drives.GetLogicalDrives();
        EXPECT_TRUE(type == kDriveRemovable || type == kDriveNoRootDir) << type;
        if (volume) {
            EXPECT_EQ(volume->VolumeName, "STICK");
        }
    }
    plugger.join();
    EXPECT_EQ(Machine.Drives.GetLogicalDrives(), 1u << 2);
}

TEST_F(SimMachineTest, StorageQueryOfAVolume) {
    SetDrive('E', kDriveFixed, kBusTypeUsb);
    IFiles& files = Machine.Files;
    UniqueFile volume(files, files.CreateFileA("\\\\.\\e:", kGenericRead, kFileShareRead | kFileShareWrite,
                                               kOpenExisting, 0));
    ASSERT_TRUE(volume);
    std::array<std::uint8_t, 12> query{};
    std::array<std::uint8_t, 548> out{};
    std::uint32_t returned = 0;
    ASSERT_TRUE(files.DeviceIoControl(volume.Get(), kIoctlStorageQueryProperty, query.data(), 12, out.data(),
                                      548, returned));
    std::uint32_t version = 0, size = 0, bus = 0;
    std::memcpy(&version, out.data(), 4);
    std::memcpy(&size, out.data() + 4, 4);
    std::memcpy(&bus, out.data() + 28, 4);
    EXPECT_EQ(version, 40u);
    EXPECT_EQ(size, returned);
    EXPECT_GT(size, 40u);
    EXPECT_EQ(bus, kBusTypeUsb);

    ASSERT_TRUE(files.DeviceIoControl(volume.Get(), kIoctlStorageQueryProperty, query.data(), 12, out.data(),
                                      16, returned));
    EXPECT_EQ(returned, 16u) << "as much as fits";
    query[0] = 1;
    EXPECT_FALSE(files.DeviceIoControl(volume.Get(), kIoctlStorageQueryProperty, query.data(), 12, out.data(),
                                       548, returned));
    EXPECT_EQ(files.LastError(), kErrorInvalidParameter);
    query[0] = 0;
    EXPECT_FALSE(files.DeviceIoControl(volume.Get(), kIoctlStorageQueryProperty, query.data(), 8, out.data(),
                                       548, returned));
    EXPECT_EQ(files.LastError(), kErrorInvalidParameter);
    EXPECT_FALSE(files.ReadFile(volume.Get(), out.data(), 4, returned)) << "a volume handle is no file";
    EXPECT_EQ(files.CreateFileA("\\\\.\\Q:", kGenericRead, 0, kOpenExisting, 0), kNoFile);
}

TEST_F(SimMachineTest, MovesReplaceWholeOrNotAtAll) {
    IFiles& files = Machine.Files;
    ASSERT_TRUE(Machine.Files.PutFile("C:\\d\\new", "new"));
    ASSERT_TRUE(Machine.Files.PutFile("C:\\d\\old", "old"));
    EXPECT_FALSE(files.MoveFileExA("C:\\d\\new", "C:\\d\\old", 0));
    EXPECT_EQ(files.LastError(), kErrorAlreadyExists);
    ASSERT_TRUE(files.SetFileAttributesA("C:\\d\\old", kFileAttributeReadOnly));
    EXPECT_FALSE(files.MoveFileExA("C:\\d\\new", "C:\\d\\old", kMoveFileReplaceExisting));
    EXPECT_EQ(files.LastError(), kErrorAccessDenied);
    ASSERT_TRUE(files.SetFileAttributesA("C:\\d\\old", kFileAttributeNormal));
    {
        UniqueFile busy(files,
                        files.CreateFileA("C:\\d\\old", kGenericRead, kFileShareRead, kOpenExisting, 0));
        EXPECT_FALSE(files.MoveFileExA("C:\\d\\new", "C:\\d\\old", kMoveFileReplaceExisting));
        EXPECT_EQ(files.LastError(), kErrorAccessDenied);
    }
    EXPECT_EQ(Machine.Files.FileContent("C:\\d\\old"), "old");
    EXPECT_TRUE(
        files.MoveFileExA("C:\\d\\new", "C:\\d\\old", kMoveFileReplaceExisting | kMoveFileWriteThrough));
    EXPECT_EQ(Machine.Files.FileContent("C:\\d\\old"), "new");
    EXPECT_FALSE(Machine.Files.FileContent("C:\\d\\new"));

    ASSERT_TRUE(Machine.Files.PutFile("C:\\d\\sub\\f", "f"));
    EXPECT_TRUE(files.MoveFileExA("C:\\d\\sub", "C:\\d\\moved", 0)) << "a folder moves with its content";
    EXPECT_EQ(Machine.Files.FileContent("C:\\d\\moved\\f"), "f");
    SetDrive('E', kDriveFixed, kBusTypeSata);
    EXPECT_FALSE(files.MoveFileExA("C:\\d\\old", "E:\\old", 0));
    EXPECT_EQ(files.LastError(), kErrorNotSameDevice);
    EXPECT_TRUE(files.MoveFileExA("C:\\d\\old", "E:\\old", kMoveFileCopyAllowed));
}

class SimJunctionTest : public SimMachineTest {
protected:
    IFiles& Files = Machine.Files;
    static constexpr std::uint32_t kJunction = kFileAttributeDirectory | kFileAttributeReparsePoint;

    std::vector<std::pair<std::string, std::uint32_t>> List(const std::string& pattern) {
        std::vector<std::pair<std::string, std::uint32_t>> entries;
        TFindData found;
        FindHandle find = Files.FindFirstFileA(pattern, found);
        if (find == kNoFind) return entries;
        do
            entries.emplace_back(found.Name, found.Attributes);
        while (Files.FindNextFileA(find, found));
        Files.FindClose(find);
        return entries;
    }
    std::uint32_t OpenError(const std::string& path, std::uint32_t disposition) {
        UniqueFile file(Files, Files.CreateFileA(path, kGenericRead | kGenericWrite, 0, disposition, 0));
        return file ? kErrorSuccess : Files.LastError();
    }
    bool Exists(const std::string& path) { return Files.GetFileAttributesA(path) != kInvalidFileAttributes; }
};

TEST_F(SimJunctionTest, PathsThroughAJunctionReachItsTarget) {
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Data\\Target\\f.txt", "f"));
    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\Dest\\Link", "C:\\Data\\Target"));
    EXPECT_EQ(Files.GetFileAttributesA("C:\\dest\\LINK"), kJunction);
    EXPECT_EQ(Files.GetFileAttributesA("C:\\Dest\\Link\\f.txt"), kFileAttributeArchive);
    using Entries = std::vector<std::pair<std::string, std::uint32_t>>;
    EXPECT_EQ(List("C:\\Dest\\*.*"), (Entries{{".", 0x10}, {"..", 0x10}, {"Link", kJunction}}));
    EXPECT_EQ(List("C:\\Dest\\Link"), (Entries{{"Link", kJunction}})) << "the entry itself, not its target";
    EXPECT_EQ(List("C:\\Dest\\Link\\*.*"), (Entries{{".", 0x10}, {"..", 0x10}, {"f.txt", 0x20}}));
    EXPECT_EQ(Machine.Files.FileContent("C:\\Dest\\Link\\f.txt"), "f");

    EXPECT_TRUE(Files.CreateDirectoryA("C:\\Dest\\Link\\Sub"));
    EXPECT_EQ(Files.GetFileAttributesA("C:\\Data\\Target\\Sub"), kFileAttributeDirectory);
    EXPECT_EQ(OpenError("C:\\Dest\\Link\\Sub\\new.txt", kCreateNew), kErrorSuccess);
    EXPECT_TRUE(Exists("C:\\Data\\Target\\Sub\\new.txt"));
    EXPECT_FALSE(Files.CreateDirectoryA("C:\\Dest\\Link"));
    EXPECT_EQ(Files.LastError(), kErrorAlreadyExists);

    EXPECT_EQ(Files.GetFullPathNameA("C:\\Dest\\Link\\.\\f.txt"), "C:\\Dest\\Link\\f.txt");
    EXPECT_TRUE(Files.SetCurrentDirectoryA("C:\\Dest\\Link"));
    EXPECT_EQ(Files.GetCurrentDirectoryA(), "C:\\Dest\\Link") << "the name as given, not the target's";
    EXPECT_EQ(Machine.Files.FileContent("f.txt"), "f");

    EXPECT_EQ(OpenError("C:\\Dest\\Link", kOpenExisting), kErrorAccessDenied) << "a folder";
    EXPECT_EQ(OpenError("C:\\Dest\\Link", kCreateAlways), kErrorAccessDenied);
    EXPECT_FALSE(Files.DeleteFileA("C:\\Dest\\Link"));
    EXPECT_EQ(Files.LastError(), kErrorAccessDenied);
    EXPECT_TRUE(Exists("C:\\Data\\Target\\f.txt"));
}

TEST_F(SimJunctionTest, AJunctionToAnotherDriveGoesWithThatDrive) {
    SetDrive('E', kDriveRemovable, kBusTypeUsb);
    ASSERT_TRUE(Machine.Files.PutFile("E:\\Away\\e.txt", "e"));
    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\ToE", "E:\\Away\\"));
    EXPECT_EQ(Machine.Files.FileContent("C:\\ToE\\e.txt"), "e");
    Machine.Volumes.SetPresent('E', false);
    EXPECT_EQ(Files.GetFileAttributesA("C:\\ToE"), kJunction);
    EXPECT_FALSE(Exists("C:\\ToE\\e.txt"));
    EXPECT_EQ(Files.LastError(), kErrorPathNotFound);
}

TEST_F(SimJunctionTest, RemovingOrMovingAJunctionLeavesItsTarget) {
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Full\\f.txt", "f"));
    ASSERT_TRUE(Machine.Files.PutFolder("C:\\Empty"));
    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\Dest\\ToFull", "C:\\Full"));
    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\Dest\\ToEmpty", "C:\\Empty"));
    ASSERT_TRUE(Files.SetFileAttributesA("C:\\Dest\\ToFull", kFileAttributeHidden));
    EXPECT_EQ(Files.GetFileAttributesA("C:\\Dest\\ToFull"), kJunction | kFileAttributeHidden);

    EXPECT_TRUE(Files.RemoveDirectoryA("C:\\Dest\\ToFull")) << "however full its target";
    EXPECT_TRUE(Files.RemoveDirectoryA("C:\\Dest\\ToEmpty\\"));
    EXPECT_FALSE(Exists("C:\\Dest\\ToFull"));
    EXPECT_EQ(Files.LastError(), kErrorFileNotFound);
    EXPECT_FALSE(Exists("C:\\Dest\\ToEmpty"));
    EXPECT_EQ(Machine.Files.FileContent("C:\\Full\\f.txt"), "f");
    EXPECT_EQ(Files.GetFileAttributesA("C:\\Empty"), kFileAttributeDirectory);

    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\Dest\\Link", "C:\\Full"));
    EXPECT_TRUE(Files.MoveFileExA("C:\\Dest\\Link", "C:\\Moved", 0));
    EXPECT_FALSE(Exists("C:\\Dest\\Link"));
    EXPECT_EQ(Files.GetFileAttributesA("C:\\Moved"), kJunction);
    EXPECT_EQ(Machine.Files.FileContent("C:\\Moved\\f.txt"), "f");
    EXPECT_EQ(Machine.Files.FileContent("C:\\Full\\f.txt"), "f") << "the target stays where it was";
}

TEST_F(SimJunctionTest, ADanglingJunctionLeadsNowhere) {
    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\Dest\\Link", "C:\\Later"));
    EXPECT_EQ(Files.GetFileAttributesA("C:\\Dest\\Link"), kJunction);
    EXPECT_EQ(List("C:\\Dest\\Link\\*.*").size(), 0u);
    EXPECT_EQ(Files.LastError(), kErrorPathNotFound);
    EXPECT_EQ(OpenError("C:\\Dest\\Link\\x.txt", kOpenExisting), kErrorPathNotFound);
    EXPECT_EQ(OpenError("C:\\Dest\\Link\\x.txt", kCreateAlways), kErrorPathNotFound);
    EXPECT_EQ(OpenError("C:\\Dest\\Link", kCreateAlways), kErrorFileNotFound);
    EXPECT_FALSE(Exists("C:\\Later")) << "the target is never made a file";
    EXPECT_FALSE(Files.CreateDirectoryA("C:\\Dest\\Link\\Sub"));
    EXPECT_EQ(Files.LastError(), kErrorPathNotFound);
    EXPECT_FALSE(Files.SetCurrentDirectoryA("C:\\Dest\\Link"));
    EXPECT_EQ(Files.LastError(), kErrorFileNotFound);

    ASSERT_TRUE(Machine.Files.PutFile("C:\\Later\\x.txt", "x"));
    EXPECT_EQ(Machine.Files.FileContent("C:\\Dest\\Link\\x.txt"), "x") << "a target that comes later";
    EXPECT_TRUE(Files.RemoveDirectoryA("C:\\Dest\\Link"));
    EXPECT_TRUE(Exists("C:\\Later\\x.txt"));
}

TEST_F(SimJunctionTest, LinkLoopsEndInAnErrorNotAHang) {
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Loop\\f.txt", "f"));
    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\Loop\\Up", "C:\\Loop"));
    EXPECT_EQ(Machine.Files.FileContent("C:\\Loop\\Up\\Up\\Up\\f.txt"), "f");
    EXPECT_EQ(List("C:\\Loop\\Up\\Up\\*").size(), 4u);

    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\Loop\\Self", "C:\\Loop\\Self\\Deeper"));
    EXPECT_EQ(Files.GetFileAttributesA("C:\\Loop\\Self"), kJunction);
    EXPECT_FALSE(Exists("C:\\Loop\\Self\\x"));
    EXPECT_EQ(Files.LastError(), kErrorCantResolveFilename);
    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\Loop\\A", "C:\\Loop\\B"));
    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\Loop\\B", "C:\\Loop\\A"));
    EXPECT_EQ(List("C:\\Loop\\A\\*").size(), 0u);
    EXPECT_EQ(Files.LastError(), kErrorCantResolveFilename);
    EXPECT_EQ(OpenError("C:\\Loop\\B", kOpenExisting), kErrorCantResolveFilename);
    EXPECT_TRUE(Files.RemoveDirectoryA("C:\\Loop\\A")) << "a link of a loop is still removed as itself";
}

TEST_F(SimJunctionTest, SixtyThreeLinksResolveASixtyFourthDoesNot) {
    ASSERT_TRUE(Machine.Files.PutFile("C:\\End\\f.txt", "f"));
    std::string next = "C:\\End";
    for (int i = 1; i <= kMaxLinkSubstitutions + 1; ++i) {
        std::string link = "C:\\Chain\\L" + std::to_string(i);
        ASSERT_TRUE(Machine.Files.PutFolderLink(link, next));
        next = link;
    }
    EXPECT_EQ(Machine.Files.FileContent("C:\\Chain\\L63\\f.txt"), "f");
    EXPECT_FALSE(Exists("C:\\Chain\\L64\\f.txt"));
    EXPECT_EQ(Files.LastError(), kErrorCantResolveFilename);
}

TEST_F(SimJunctionTest, DeletingATreeRemovesItsLinksButNotWhatTheyLeadTo) {
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Outside\\keep.txt", "k"));
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Outside\\Sub\\deep.txt", "d"));
    ASSERT_TRUE(Machine.Files.PutFile("C:\\Old\\a.txt", "a"));
    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\Old\\Sub\\ToOutside", "C:\\Outside"));
    ASSERT_TRUE(Machine.Files.PutFolderLink("C:\\Old\\Up", "C:\\Old"));
    TPlatform platform = Machine.Platform();
    TInstUtils utils(platform);
    utils.DeleteDirectoryTree("C:\\Old");
    EXPECT_FALSE(Exists("C:\\Old"));
    EXPECT_EQ(Machine.Files.FileContent("C:\\Outside\\keep.txt"), "k");
    EXPECT_EQ(Machine.Files.FileContent("C:\\Outside\\Sub\\deep.txt"), "d");
}

TEST_F(SimMachineTest, ShellFoldersAndLinks) {
    IShell& shell = Machine.Shell;
    std::string path = "unchanged";
    EXPECT_EQ(shell.SHGetFolderPathA(kCsidlCommonAppData, path), kSOk);
    EXPECT_EQ(path, "C:\\ProgramData");
    path = "unchanged";
    EXPECT_EQ(shell.SHGetFolderPathA(99, path), kEInvalidArg);
    EXPECT_EQ(path, "unchanged");
    EXPECT_EQ(Machine.Shell.FolderQueries(), (std::vector<int>{kCsidlCommonAppData, 99}));

    EXPECT_FALSE(shell.CreateShellLink()) << "OLE not initialised";
    EXPECT_EQ(shell.OleInitialize(), kSOk);
    EXPECT_EQ(shell.OleInitialize(), kSFalse);
    auto link = shell.CreateShellLink();
    ASSERT_TRUE(link);
    link->SetPath("C:\\x\\vlmr.exe");
    link->SetWorkingDirectory("C:\\x");
    link->SetDescription("Texte\r\navec: deux points");
    EXPECT_NE(link->Save("C:\\Absent\\a.lnk", true), kSOk) << "a missing folder fails as a file write would";
    EXPECT_EQ(link->Save("C:\\a.lnk", true), kSOk);
    auto read = shell.ReadShellLink("C:\\a.lnk");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Description, "Texte\r\navec: deux points");
    EXPECT_EQ(read->Target, "C:\\x\\vlmr.exe");
    ASSERT_TRUE(Machine.Files.PutFile("C:\\bad.lnk", "ULVSIMLNK1\r\n99:short\r\n"));
    EXPECT_FALSE(shell.ReadShellLink("C:\\bad.lnk"));
}

TEST_F(SimMachineTest, TextCasingAndComparison) {
    IText& text = Machine.Text;
    std::string s = "modèle œuvre ß";
    text.CharUpperBuffA(s);
    EXPECT_EQ(s, "MODÈLE ŒUVRE ß");
    EXPECT_EQ(text.CompareStringNoCase("Été", "éTÉ"), 2);
    EXPECT_EQ(text.CompareStringNoCase("a", "B"), 1);
    EXPECT_EQ(text.CompareStringNoCase("é", "z"), 1) << "an accent weighs less than a letter";
}

} // namespace
} // namespace ulv::sim
