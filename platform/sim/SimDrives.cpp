#include "SimDrives.h"

#include "SimErrors.h"
#include "SimPaths.h"

#include <algorithm>
#include <cctype>

namespace ulv::sim {
namespace {

constexpr std::uint32_t kBytesPerSector = 512;

bool IsLetterRoot(const std::string& root) {
    return root.size() == 3 && std::isalpha(static_cast<unsigned char>(root[0])) && root[1] == ':' &&
           root[2] == '\\';
}

// "\\server\share\" without its trailing backslash, or nullopt when the text is no share root.
std::optional<std::string> ShareOfRoot(const std::string& root) {
    if (!root.starts_with("\\\\") || !root.ends_with('\\')) return std::nullopt;
    auto parts = SplitFullPath(root);
    if (!parts || !parts->Components.empty() || parts->Root.size() + 1 != root.size()) return std::nullopt;
    return parts->Root;
}

std::uint32_t ClusterCount(std::uint64_t bytes, std::uint32_t clusterSize) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes / clusterSize, 0xFFFFFFFFu));
}

} // namespace

std::optional<SimDrives::Geometry> SimDrives::VolumeOfRoot(const std::string& given) {
    std::string root = given;
    if (root.empty()) {
        auto current = SplitFullPath(Files.GetCurrentDirectoryA());
        if (!current) return std::nullopt;
        root = current->Root + '\\';
    }
    if (IsLetterRoot(root)) {
        auto drive = Volumes.Drive(root[0]);
        if (!drive || !drive->Present) return std::nullopt;
        return Geometry{drive->Type, drive->ClusterSize, drive->FreeBytes, drive->TotalBytes};
    }
    if (auto name = ShareOfRoot(root)) {
        auto share = Volumes.Share(*name);
        if (!share) return std::nullopt;
        return Geometry{kDriveRemote, share->ClusterSize, share->FreeBytes, share->TotalBytes};
    }
    return std::nullopt;
}

std::uint32_t SimDrives::GetDriveTypeA(const std::string& root) {
    auto volume = VolumeOfRoot(root);
    return volume ? volume->Type : kDriveNoRootDir;
}

std::uint32_t SimDrives::GetLogicalDrives() {
    return Volumes.PresentMask();
}

std::optional<TDiskFreeSpace> SimDrives::GetDiskFreeSpaceA(const std::string& root) {
    auto volume = VolumeOfRoot(root);
    if (!volume) {
        bool wellFormed = root.empty() || IsLetterRoot(root) || ShareOfRoot(root);
        SetLastError(wellFormed ? kErrorPathNotFound : kErrorInvalidName);
        return std::nullopt;
    }
    std::uint32_t cluster = std::max<std::uint32_t>(volume->ClusterSize, 1);
    bool wholeSectors = cluster >= kBytesPerSector && cluster % kBytesPerSector == 0;
    TDiskFreeSpace space;
    space.BytesPerSector = wholeSectors ? kBytesPerSector : cluster;
    space.SectorsPerCluster = cluster / space.BytesPerSector;
    space.FreeClusters = ClusterCount(volume->FreeBytes, cluster);
    space.TotalClusters = ClusterCount(volume->TotalBytes, cluster);
    return space;
}

std::optional<std::string> SimDrives::GetVolumePathNameA(const std::string& path) {
    auto full = Files.GetFullPathNameA(path);
    if (!full) return std::nullopt;
    if (Files.GetFileAttributesA(*full) == kInvalidFileAttributes) return std::nullopt;
    auto parts = SplitFullPath(*full);
    if (!parts) return std::nullopt;
    return parts->Root + '\\';
}

} // namespace ulv::sim
