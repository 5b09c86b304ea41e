#pragma once
#include "platform/Drives.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace ulv::sim {

// One drive letter of the machine, as a test describes it.
struct TSimDrive {
    char Letter = 'C';
    std::uint32_t Type = kDriveFixed;
    std::uint32_t BusType = kBusTypeSata;
    bool RemovableMedia = false;
    std::uint32_t ClusterSize = 4096; // bytes per allocation unit
    std::uint64_t FreeBytes = 64ull << 30;
    std::uint64_t TotalBytes = 256ull << 30;
    std::string Label{};
    bool Present = true; // false: the letter exists in the table but the drive is gone (a USB stick pulled)
    bool VolumeOpens = true;   // false: CreateFileA("\\.\X:") fails with ERROR_ACCESS_DENIED
    bool QuerySucceeds = true; // false: the storage-property query fails with ERROR_INVALID_FUNCTION
    std::string RemoteName{}; // a DRIVE_REMOTE drive's share, "\\server\share"; what WNetGetConnectionA names
    std::uint32_t FileSystemFlags = kFileCaseSensitiveSearch | kFileCasePreservedNames;
    std::string FileSystemName = "NTFS";
    // false: an empty card reader or floppy drive. The letter stays in GetLogicalDrives and GetDriveTypeA,
    // but the volume calls fail with ERROR_NOT_READY and no path on it can be reached.
    bool HasMedia = true;
    std::uint32_t SerialNumber = 0x5A3C17E2;
    std::uint32_t MaximumComponentLength = 255;
    // A per-user disk quota: what the user may still write when it is less than FreeBytes.
    std::optional<std::uint64_t> QuotaFreeBytes{};
};

// A network share "\\server\share\" a test declares; files under it behave as on a local drive.
struct TSimShare {
    std::string Root; // "\\server\share", case as declared, without the trailing backslash
    std::uint32_t ClusterSize = 4096;
    std::uint64_t FreeBytes = 16ull << 30;
    std::uint64_t TotalBytes = 32ull << 30;
};

// The machine's table of drives and shares, shared by the file system and the drive port. Thread-safe: a test
// may plug and pull drives while the program polls them, and every call sees the table as it is now.
// Default: C: fixed, SATA, 4096-byte clusters.
class SimVolumes {
public:
    SimVolumes();

    void SetDrive(const TSimDrive& drive);
    void RemoveDrive(char letter);
    void SetPresent(char letter, bool present);
    void AddShare(const TSimShare& share);

    // A drive of the table, present or not.
    [[nodiscard]] std::optional<TSimDrive> Drive(char letter) const;
    // Present and holding a medium: its paths can be reached.
    [[nodiscard]] bool IsPresent(char letter) const;
    // `root` is "\\server\share" in any case, without a trailing backslash.
    [[nodiscard]] std::optional<TSimShare> Share(const std::string& root) const;
    [[nodiscard]] std::uint32_t PresentMask() const;

    // The process's error mode (SetErrorMode), and the "no disk in the drive" boxes Windows would have
    // shown: every access to a drive without a medium while the mode lacks SEM_FAILCRITICALERRORS.
    std::uint32_t ExchangeErrorMode(std::uint32_t mode);
    [[nodiscard]] std::uint32_t ErrorMode() const;
    void NoteAccessWithoutMedium();
    [[nodiscard]] int NoDiskPrompts() const;

private:
    mutable std::mutex Lock;
    std::uint32_t Mode = 0;
    int Prompts = 0;
    std::map<char, TSimDrive> Drives;
    std::map<std::string, TSimShare> Shares; // by upper-cased root
};

} // namespace ulv::sim
