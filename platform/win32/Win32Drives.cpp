#include "Win32Platform.h"

namespace ulv::win32 {

std::uint32_t Win32Drives::GetDriveTypeA(const std::string& root) {
    return ::GetDriveTypeA(root.c_str());
}

std::uint32_t Win32Drives::GetLogicalDrives() {
    return ::GetLogicalDrives();
}

std::optional<TDiskFreeSpace> Win32Drives::GetDiskFreeSpaceA(const std::string& root) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!::GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                             &totalClusters))
        return std::nullopt;
    return TDiskFreeSpace{sectorsPerCluster, bytesPerSector, freeClusters, totalClusters};
}

std::optional<std::string> Win32Drives::GetVolumePathNameA(const std::string& path) {
    char root[MAX_PATH] = {};
    if (!::GetVolumePathNameA(path.c_str(), root, MAX_PATH)) return std::nullopt;
    return std::string(root);
}

} // namespace ulv::win32
