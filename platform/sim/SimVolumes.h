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
    std::string Label;
    bool Present = true; // false: the letter exists in the table but the drive is gone (a USB stick pulled)
    bool VolumeOpens = true;   // false: CreateFileA("\\.\X:") fails with ERROR_ACCESS_DENIED
    bool QuerySucceeds = true; // false: the storage-property query fails with ERROR_INVALID_FUNCTION
};

// A network share "\\server\share\" a test declares; files under it behave as on a local drive.
struct TSimShare {
    std::string Root; // "\\server\share", case as declared, without the trailing backslash
    std::uint32_t ClusterSize = 4096;
    std::uint64_t FreeBytes = 16ull << 30;
    std::uint64_t TotalBytes = 32ull << 30;
};

// The machine's table of drives and shares, shared by the file system and the drive port. Thread-safe.
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
    [[nodiscard]] bool IsPresent(char letter) const;
    // `root` is "\\server\share" in any case, without a trailing backslash.
    [[nodiscard]] std::optional<TSimShare> Share(const std::string& root) const;
    [[nodiscard]] std::uint32_t PresentMask() const;

private:
    mutable std::mutex Lock;
    std::map<char, TSimDrive> Drives;
    std::map<std::string, TSimShare> Shares; // by upper-cased root
};

} // namespace ulv::sim
