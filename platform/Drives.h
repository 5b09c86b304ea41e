#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace ulv {

// File-system flags of GetVolumeInformationA.
constexpr std::uint32_t kFileCaseSensitiveSearch = 0x1;
constexpr std::uint32_t kFileCasePreservedNames = 0x2;

// SetErrorMode: no "insert a disk" box; the call fails instead.
constexpr std::uint32_t kSemFailCriticalErrors = 0x1;

constexpr std::uint32_t kDriveUnknown = 0;
constexpr std::uint32_t kDriveNoRootDir = 1;
constexpr std::uint32_t kDriveRemovable = 2;
constexpr std::uint32_t kDriveFixed = 3;
constexpr std::uint32_t kDriveRemote = 4;
constexpr std::uint32_t kDriveCdrom = 5;
constexpr std::uint32_t kDriveRamdisk = 6;

// Bus types of STORAGE_DEVICE_DESCRIPTOR.
constexpr std::uint32_t kBusTypeScsi = 1;
constexpr std::uint32_t kBusTypeAtapi = 2;
constexpr std::uint32_t kBusTypeAta = 3;
constexpr std::uint32_t kBusType1394 = 4;
constexpr std::uint32_t kBusTypeUsb = 7;
constexpr std::uint32_t kBusTypeSata = 11;
constexpr std::uint32_t kBusTypeNvme = 17;

struct TDiskFreeSpace {
    std::uint32_t SectorsPerCluster = 0;
    std::uint32_t BytesPerSector = 0;
    std::uint32_t FreeClusters = 0;
    std::uint32_t TotalClusters = 0;
};

// The three counts of GetDiskFreeSpaceExA, in bytes.
struct TDiskFreeSpaceEx {
    std::uint64_t FreeBytesAvailableToCaller = 0, TotalNumberOfBytes = 0, TotalNumberOfFreeBytes = 0;
};

struct TVolumeInformation {
    std::string VolumeName;
    std::uint32_t SerialNumber = 0;
    std::uint32_t MaximumComponentLength = 0;
    std::uint32_t FileSystemFlags = 0;
    std::string FileSystemName;
};

// Drives and volumes, with the kernel32 calls of the same names. Roots are "C:\\" or "\\\\server\\share\\".
// The storage-device query goes through IFiles (CreateFileA on "\\\\.\\C:" and DeviceIoControl).
class IDrives {
public:
    virtual ~IDrives() = default;
    [[nodiscard]] virtual std::uint32_t GetDriveTypeA(const std::string& root) = 0;
    // Bit n set for drive letter 'A' + n.
    [[nodiscard]] virtual std::uint32_t GetLogicalDrives() = 0;
    // nullopt when the call fails (no such volume, no medium).
    [[nodiscard]] virtual std::optional<TDiskFreeSpace> GetDiskFreeSpaceA(const std::string& root) = 0;
    // The root of the volume holding an existing path, with its trailing backslash (a mount point counts as
    // a root); nullopt on failure.
    [[nodiscard]] virtual std::optional<std::string> GetVolumePathNameA(const std::string& path) = 0;
    // GetVolumeInformationA on a root ("C:\\"); nullopt when the call fails (no such drive, no medium,
    // unreadable).
    [[nodiscard]] virtual std::optional<TVolumeInformation>
    GetVolumeInformationA(const std::string& root) = 0;
    // SetErrorMode: sets the process's error mode, returns the previous one.
    virtual std::uint32_t SetErrorMode(std::uint32_t mode) = 0;
    // WNetGetConnectionA on a local device name ("X:"): the remote name of a network drive; nullopt when the
    // call fails (not a network drive, no network provider, mpr.dll missing). mpr.dll is loaded at run time,
    // from the system folder only.
    [[nodiscard]] virtual std::optional<std::string> WNetGetConnectionA(const std::string& localName) = 0;
    // GetDiskFreeSpaceExA, located at run time in kernel32 by name; nullopt when it is missing or the call
    // fails (a path the call does not take, a drive without a medium, no such drive). `directory` is any
    // existing folder of the volume: "C:\\", "C:\\Programmes\\X", or "C:" (the drive's current folder, which
    // is its root unless the process has worked on that drive); a share's root needs its trailing backslash
    // ("\\\\server\\share\\"). FreeBytesAvailableToCaller counts the user's disk quota and may be less than
    // TotalNumberOfFreeBytes.
    [[nodiscard]] virtual std::optional<TDiskFreeSpaceEx>
    GetDiskFreeSpaceExA(const std::string& directory) = 0;
};

} // namespace ulv
