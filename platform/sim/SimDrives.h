#pragma once
#include "SimFiles.h"
#include "SimVolumes.h"
#include "platform/Drives.h"

#include <functional>
#include <mutex>
#include <vector>

namespace ulv::sim {

// The drive calls of kernel32 over the machine's SimVolumes table. Roots must be given exactly as Windows
// wants them ("C:\" or "\\server\share\", trailing backslash included); an empty root means the current
// directory's. GetVolumePathNameA answers only for a path that exists (mount points are not modelled).
// A share answers the volume calls as an unlabelled NTFS volume. The error mode is the process's, held here.
// GetDiskFreeSpaceExA takes any existing folder (a junction counts for the volume holding it, not its
// target's) and answers the table's byte counts as they are, not rounded to clusters; a drive's quota lowers
// only the caller's free bytes, the volume's total stays.
class SimDrives final : public IDrives {
public:
    SimDrives(SimVolumes& volumes, SimFiles& files) : Volumes(volumes), Files(files) {}

    std::uint32_t GetDriveTypeA(const std::string& root) override;
    std::uint32_t GetLogicalDrives() override;
    std::optional<TDiskFreeSpace> GetDiskFreeSpaceA(const std::string& root) override;
    std::optional<std::string> GetVolumePathNameA(const std::string& path) override;
    std::optional<TVolumeInformation> GetVolumeInformationA(const std::string& root) override;
    std::uint32_t SetErrorMode(std::uint32_t mode) override;
    std::optional<std::string> WNetGetConnectionA(const std::string& localName) override;
    std::optional<TDiskFreeSpaceEx> GetDiskFreeSpaceExA(const std::string& directory) override;

    // Runs once, just after the next GetLogicalDrives has read the table: drives that change between two
    // calls of the program.
    void AfterNextLogicalDrives(std::function<void()> change);
    // false: every WNetGetConnectionA fails, as on a machine without mpr.dll or a network provider.
    void SetNetworkProviderAvailable(bool available);
    [[nodiscard]] std::uint32_t ErrorMode() const;
    // The error mode in force at each GetVolumeInformationA call, in order: a query of an empty drive under
    // mode 0 would have shown Windows' "no disk" box.
    [[nodiscard]] std::vector<std::uint32_t> ErrorModesAtVolumeQueries() const;

private:
    struct Geometry {
        std::uint32_t Type = kDriveNoRootDir;
        std::uint32_t ClusterSize = 0;
        std::uint64_t FreeBytes = 0, TotalBytes = 0;
        bool HasMedia = true;
        TVolumeInformation Information;
        std::optional<std::uint64_t> QuotaFreeBytes;
    };
    // The volume a root names, when it is present.
    [[nodiscard]] std::optional<Geometry> VolumeOfRoot(const std::string& root);
    // The volume a root names when it can be read; otherwise nullopt, with the error Windows reports.
    [[nodiscard]] std::optional<Geometry> ReadableVolume(const std::string& root);
    // The root ("C:\", "\\server\share\") of the volume a directory lies on, as GetDiskFreeSpaceExA
    // takes directories; nullopt, with the error, for a text the call refuses.
    [[nodiscard]] std::optional<std::string> RootOfDirectory(const std::string& directory);

    SimVolumes& Volumes;
    SimFiles& Files;
    mutable std::mutex Lock; // the program's poller and the wizard may call from different threads
    std::vector<std::uint32_t> ModesAtVolumeQueries;
    std::function<void()> AfterLogicalDrives;
    bool NetworkProvider = true;
};

} // namespace ulv::sim
