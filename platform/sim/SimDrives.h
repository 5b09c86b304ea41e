#pragma once
#include "SimFiles.h"
#include "SimVolumes.h"
#include "platform/Drives.h"

namespace ulv::sim {

// The drive calls of kernel32 over the machine's SimVolumes table. Roots must be given exactly as Windows
// wants them ("C:\" or "\\server\share\", trailing backslash included); an empty root means the current
// directory's. GetVolumePathNameA answers only for a path that exists (mount points are not modelled).
class SimDrives final : public IDrives {
public:
    SimDrives(SimVolumes& volumes, SimFiles& files) : Volumes(volumes), Files(files) {}

    std::uint32_t GetDriveTypeA(const std::string& root) override;
    std::uint32_t GetLogicalDrives() override;
    std::optional<TDiskFreeSpace> GetDiskFreeSpaceA(const std::string& root) override;
    std::optional<std::string> GetVolumePathNameA(const std::string& path) override;

private:
    struct Geometry {
        std::uint32_t Type = kDriveNoRootDir;
        std::uint32_t ClusterSize = 0;
        std::uint64_t FreeBytes = 0, TotalBytes = 0;
    };
    // The volume a root names, when it is present.
    [[nodiscard]] std::optional<Geometry> VolumeOfRoot(const std::string& root);

    SimVolumes& Volumes;
    SimFiles& Files;
};

} // namespace ulv::sim
