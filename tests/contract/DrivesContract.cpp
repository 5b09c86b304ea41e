#include "ContractEnv.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace ulv::contract {
namespace {

std::uint32_t Bit(char letter) {
    return 1u << (letter - 'A');
}

// Both adapters declare the same drives: C: and F: fixed disks, R: removable, O: optical, no Q:.
TEST(DrivesContract, DeclaredDrivesHaveTheirKinds) {
    IDrives& drives = Env().Platform.Drives;
    EXPECT_EQ(drives.GetDriveTypeA("C:\\"), kDriveFixed);
    EXPECT_EQ(drives.GetDriveTypeA("F:\\"), kDriveFixed);
    EXPECT_EQ(drives.GetDriveTypeA("R:\\"), kDriveRemovable);
    EXPECT_EQ(drives.GetDriveTypeA("O:\\"), kDriveCdrom);
    EXPECT_EQ(drives.GetDriveTypeA("Q:\\"), kDriveNoRootDir);
    EXPECT_EQ(drives.GetDriveTypeA("c:\\"), kDriveFixed) << "the letter in any case";
}

TEST(DrivesContract, LogicalDrivesHaveOneBitPerLetter) {
    std::uint32_t mask = Env().Platform.Drives.GetLogicalDrives();
    for (char letter : {'C', 'F', 'O', 'R'})
        EXPECT_NE(mask & Bit(letter), 0u) << letter;
    EXPECT_EQ(mask & Bit('Q'), 0u);
}

TEST(DrivesContract, FreeSpaceOfTheSystemDrive) {
    IDrives& drives = Env().Platform.Drives;
    std::optional<TDiskFreeSpace> space = drives.GetDiskFreeSpaceA("C:\\");
    ASSERT_TRUE(space);
    EXPECT_NE(space->SectorsPerCluster * space->BytesPerSector, 0u);
    EXPECT_NE(space->TotalClusters, 0u);
    EXPECT_LE(space->FreeClusters, space->TotalClusters);
    EXPECT_FALSE(drives.GetDiskFreeSpaceA("Q:\\")) << "no such drive";
}

TEST(DrivesContract, FreeSpaceForTheCallerOfTheSystemDrive) {
    std::optional<TDiskFreeSpaceEx> space = Env().Platform.Drives.GetDiskFreeSpaceExA("C:\\");
    ASSERT_TRUE(space);
    EXPECT_GT(space->TotalNumberOfBytes, 0u);
    EXPECT_LE(space->TotalNumberOfFreeBytes, space->TotalNumberOfBytes);
    EXPECT_LE(space->FreeBytesAvailableToCaller, space->TotalNumberOfFreeBytes) << "a quota only lowers it";
}

// The wizard passes the drive part of the destination ("C:"); a folder of the volume does as well as its
// root.
TEST(DrivesContract, FreeSpaceForTheCallerTakesAnyFolderOfTheVolume) {
    IDrives& drives = Env().Platform.Drives;
    std::optional<TDiskFreeSpaceEx> root = drives.GetDiskFreeSpaceExA("C:\\");
    ASSERT_TRUE(root);
    const std::string& scratch = Env().Scratch;
    for (const std::string& folder :
         {std::string("C:"), std::string("c:\\"), scratch, scratch.substr(0, scratch.size() - 1)}) {
        std::optional<TDiskFreeSpaceEx> space = drives.GetDiskFreeSpaceExA(folder);
        ASSERT_TRUE(space) << folder;
        EXPECT_EQ(space->TotalNumberOfBytes, root->TotalNumberOfBytes) << folder;
    }
}

TEST(DrivesContract, FreeSpaceForTheCallerNeedsAnExistingFolder) {
    IDrives& drives = Env().Platform.Drives;
    EXPECT_FALSE(drives.GetDiskFreeSpaceExA("Q:\\")) << "no such drive";
    EXPECT_FALSE(drives.GetDiskFreeSpaceExA("Q:")) << "no such drive";
    EXPECT_FALSE(drives.GetDiskFreeSpaceExA(Env().Scratch + "absent\\"));
    EXPECT_FALSE(drives.GetDiskFreeSpaceExA(""));
    std::string file = Env().Scratch + "espace.txt";
    IFiles& files = Env().Platform.Files;
    ASSERT_TRUE(
        UniqueFile(files, files.CreateFileA(file, kGenericWrite, 0, kCreateAlways, kFileAttributeNormal)));
    EXPECT_FALSE(drives.GetDiskFreeSpaceExA(file)) << "a file is no folder";
    EXPECT_EQ(files.LastError(), kErrorDirectoryName);
}

TEST(DrivesContract, VolumePathOfAFolderIsItsDriveRoot) {
    IDrives& drives = Env().Platform.Drives;
    ASSERT_EQ(Env().Scratch.substr(0, 3), "C:\\");
    EXPECT_EQ(drives.GetVolumePathNameA(Env().Scratch), "C:\\");
    EXPECT_EQ(drives.GetVolumePathNameA(Env().Scratch.substr(0, Env().Scratch.size() - 1)), "C:\\");
    EXPECT_EQ(drives.GetVolumePathNameA("C:\\"), "C:\\");
}

std::optional<TVolumeInformation> VolumeOf(const char* root) {
    IDrives& drives = Env().Platform.Drives;
    std::uint32_t previous = drives.SetErrorMode(kSemFailCriticalErrors);
    auto volume = drives.GetVolumeInformationA(root);
    drives.SetErrorMode(previous);
    return volume;
}

TEST(DrivesContract, VolumeNamesOfTheDeclaredDrives) {
    auto data = VolumeOf("F:\\");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->VolumeName, "DONNEES");
    EXPECT_FALSE(data->FileSystemName.empty());
    auto stick = VolumeOf("r:\\");
    ASSERT_TRUE(stick) << "the letter in any case";
    EXPECT_EQ(stick->VolumeName, "CLE USB") << "as stored, blank and case kept";
    EXPECT_EQ(stick->MaximumComponentLength, 255u) << "long names";
}

// NTFS on Windows sets both case flags; Wine leaves out FILE_CASE_SENSITIVE_SEARCH, so only what both say is
// checked. Either way names keep their case, and the folder list shows them as stored.
TEST(DrivesContract, TheSystemDrivePreservesCase) {
    auto system = VolumeOf("C:\\");
    ASSERT_TRUE(system);
    EXPECT_NE(system->FileSystemFlags & kFileCasePreservedNames, 0u) << system->FileSystemFlags;
    EXPECT_EQ(system->FileSystemName, "NTFS");
}

TEST(DrivesContract, VolumeInformationOfAMissingDriveFails) {
    EXPECT_FALSE(VolumeOf("Q:\\"));
    EXPECT_EQ(Env().Platform.Files.LastError(), kErrorPathNotFound);
}

TEST(DrivesContract, SetErrorModeReturnsThePreviousMode) {
    constexpr std::uint32_t kSemNoOpenFileErrorBox = 0x8000;
    IDrives& drives = Env().Platform.Drives;
    std::uint32_t original = drives.SetErrorMode(kSemFailCriticalErrors);
    EXPECT_EQ(drives.SetErrorMode(kSemFailCriticalErrors | kSemNoOpenFileErrorBox), kSemFailCriticalErrors);
    EXPECT_EQ(drives.SetErrorMode(original), kSemFailCriticalErrors | kSemNoOpenFileErrorBox);
    EXPECT_EQ(drives.SetErrorMode(original), original) << "restored";
}

TEST(DrivesContract, LocalDrivesHaveNoNetworkName) {
    IDrives& drives = Env().Platform.Drives;
    EXPECT_FALSE(drives.WNetGetConnectionA("C:"));
    EXPECT_FALSE(drives.WNetGetConnectionA("F:"));
    EXPECT_FALSE(drives.WNetGetConnectionA("Q:")) << "no such drive";
}

// STORAGE_PROPERTY_QUERY (StorageDeviceProperty, PropertyStandardQuery) and STORAGE_DEVICE_DESCRIPTOR, laid
// out by hand as the program does: 36 bytes of header, then the vendor and product strings.
constexpr std::uint32_t kQuerySize = 12;
constexpr std::uint32_t kDescriptorSize = 548;
constexpr std::size_t kRemovableMediaOffset = 10;
constexpr std::size_t kBusTypeOffset = 28;
constexpr std::uint32_t kDescriptorHeader = 36;
constexpr std::uint32_t kDescriptorStructSize = 40; // the header and RawDeviceProperties[1], padded

std::uint32_t ReadUint32(const std::array<std::uint8_t, kDescriptorSize>& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST(DrivesContract, StoragePropertyQueryOfTheSystemVolume) {
    IFiles& files = Env().Platform.Files;
    UniqueFile volume(files, files.CreateFileA("\\\\.\\C:", kGenericRead, kFileShareRead | kFileShareWrite,
                                               kOpenExisting, 0));
    ASSERT_TRUE(volume) << files.LastError();
    std::array<std::uint8_t, kQuerySize> query{};
    std::array<std::uint8_t, kDescriptorSize> descriptor{};
    std::memcpy(descriptor.data() + 4, &kDescriptorSize, sizeof kDescriptorSize);
    std::uint32_t returned = 0;
    ASSERT_TRUE(files.DeviceIoControl(volume.Get(), kIoctlStorageQueryProperty, query.data(), kQuerySize,
                                      descriptor.data(), kDescriptorSize, returned))
        << files.LastError();
    ASSERT_GE(returned, kBusTypeOffset + 4) << "the bus type was written";
    ASSERT_LE(returned, kDescriptorSize);
    EXPECT_EQ(ReadUint32(descriptor, 0), kDescriptorStructSize) << "Version";
    EXPECT_GE(ReadUint32(descriptor, 4), kDescriptorHeader) << "Size: what the device had to say";
    for (std::size_t offset : {12, 16, 20, 24}) {
        std::uint32_t text = ReadUint32(descriptor, offset);
        EXPECT_TRUE(text == 0 || (text >= kDescriptorHeader && text < returned))
            << "string offset at " << offset << ": " << text;
    }
    EXPECT_EQ(descriptor[kRemovableMediaOffset], 0) << "a fixed disk";
    std::uint32_t busType = ReadUint32(descriptor, kBusTypeOffset);
    EXPECT_GE(busType, kBusTypeScsi);
    EXPECT_LE(busType, kBusTypeNvme);
}

} // namespace
} // namespace ulv::contract
