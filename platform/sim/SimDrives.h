#pragma once
#include "SimFiles.h"
#include "SimVolumes.h"
#include "platform/Drives.h"

#include <mutex>
#include <vector>

namespace ulv::sim {

// The drive calls of kernel32 over the machine's SimVolumes table. Roots must be given exactly as Windows
// wants them ("C:\" or "\\server\share\", trailing backslash included); an empty root means the current
// directory's. GetVolumePathNameA answers only for a path that exists (mount points are not modelled).
// A share answers the volume calls as an unlabelled NTFS volume. The error mode is the process's, held here.
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
    };
    // The volume a root names, when it is present.
    [[nodiscard]] std::optional<Geometry> VolumeOfRoot(const std::string& root);
    // The volume a root names when it can be read; otherwise nullopt, with the error Windows reports.
    [[nodiscard]] std::optional<Geometry> ReadableVolume(const std::string& root);

    SimVolumes& Volumes;
    SimFiles& Files;
    mutable std::mutex Lock; // the program's poller and the wizard may call from different threads
    std::uint32_t Mode = 0;
    std::vector<std::uint32_t> ModesAtVolumeQueries;
    bool NetworkProvider = true;
};

} // namespace ulv::sim
