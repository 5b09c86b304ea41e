#include "SimDrives.h"

#include "SimErrors.h"
#include "SimPaths.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace ulv::sim {
namespace {

constexpr std::uint32_t kBytesPerSector = 512;

// What mpr.dll answers for a name that is no drive, a drive that is not redirected, and no provider at all.
constexpr std::uint32_t kErrorBadDevice = 1200;
constexpr std::uint32_t kErrorNoNetwork = 1222;
constexpr std::uint32_t kErrorNotConnected = 2250;

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

// A share's volume as a Windows server exports an NTFS folder without a name of its own.
TVolumeInformation UnlabelledNtfs() {
    return TVolumeInformation{"", 0, 255, kFileCaseSensitiveSearch | kFileCasePreservedNames, "NTFS"};
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
        TVolumeInformation information{drive->Label, drive->SerialNumber, drive->MaximumComponentLength,
                                       drive->FileSystemFlags, drive->FileSystemName};
        return Geometry{drive->Type,     drive->ClusterSize,     drive->FreeBytes,     drive->TotalBytes,
                        drive->HasMedia, std::move(information), drive->QuotaFreeBytes};
    }
    if (auto name = ShareOfRoot(root)) {
        auto share = Volumes.Share(*name);
        if (!share) return std::nullopt;
        return Geometry{kDriveRemote, share->ClusterSize, share->FreeBytes, share->TotalBytes,
                        true,         UnlabelledNtfs(),   std::nullopt};
    }
    return std::nullopt;
}

std::optional<SimDrives::Geometry> SimDrives::ReadableVolume(const std::string& root) {
    auto volume = VolumeOfRoot(root);
    if (!volume) {
        bool wellFormed = root.empty() || IsLetterRoot(root) || ShareOfRoot(root);
        SetLastError(wellFormed ? kErrorPathNotFound : kErrorInvalidName);
        return std::nullopt;
    }
    if (!volume->HasMedia) {
        Volumes.NoteAccessWithoutMedium();
        SetLastError(kErrorNotReady);
        return std::nullopt;
    }
    return volume;
}

std::uint32_t SimDrives::GetDriveTypeA(const std::string& root) {
    auto volume = VolumeOfRoot(root);
    return volume ? volume->Type : kDriveNoRootDir;
}

std::uint32_t SimDrives::GetLogicalDrives() {
    std::uint32_t mask = Volumes.PresentMask();
    std::function<void()> change;
    {
        std::lock_guard guard(Lock);
        change = std::exchange(AfterLogicalDrives, nullptr);
    }
    if (change) change();
    return mask;
}

void SimDrives::AfterNextLogicalDrives(std::function<void()> change) {
    std::lock_guard guard(Lock);
    AfterLogicalDrives = std::move(change);
}

std::optional<TDiskFreeSpace> SimDrives::GetDiskFreeSpaceA(const std::string& root) {
    auto volume = ReadableVolume(root);
    if (!volume) return std::nullopt;
    std::uint32_t cluster = std::max<std::uint32_t>(volume->ClusterSize, 1);
    bool wholeSectors = cluster >= kBytesPerSector && cluster % kBytesPerSector == 0;
    TDiskFreeSpace space;
    space.BytesPerSector = wholeSectors ? kBytesPerSector : cluster;
    space.SectorsPerCluster = cluster / space.BytesPerSector;
    space.FreeClusters = ClusterCount(volume->FreeBytes, cluster);
    space.TotalClusters = ClusterCount(volume->TotalBytes, cluster);
    SetLastError(kErrorSuccess);
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

std::optional<TVolumeInformation> SimDrives::GetVolumeInformationA(const std::string& root) {
    {
        std::lock_guard guard(Lock);
        ModesAtVolumeQueries.push_back(Volumes.ErrorMode());
    }
    auto volume = ReadableVolume(root);
    if (!volume) return std::nullopt;
    SetLastError(kErrorSuccess);
    return std::move(volume->Information);
}

std::uint32_t SimDrives::SetErrorMode(std::uint32_t mode) {
    return Volumes.ExchangeErrorMode(mode);
}

std::optional<std::string> SimDrives::WNetGetConnectionA(const std::string& localName) {
    {
        std::lock_guard guard(Lock);
        if (!NetworkProvider) return SetLastError(kErrorNoNetwork), std::nullopt;
    }
    bool isDrive = localName.size() == 2 && std::isalpha(static_cast<unsigned char>(localName[0])) &&
                   localName[1] == ':';
    if (!isDrive) return SetLastError(kErrorBadDevice), std::nullopt;
    auto drive = Volumes.Drive(localName[0]);
    if (!drive || !drive->Present || drive->Type != kDriveRemote || drive->RemoteName.empty())
        return SetLastError(kErrorNotConnected), std::nullopt;
    SetLastError(kErrorSuccess);
    return drive->RemoteName;
}

std::optional<std::string> SimDrives::RootOfDirectory(const std::string& directory) {
    auto full = Files.GetFullPathNameA(directory);
    if (!full) return std::nullopt;
    auto parts = SplitFullPath(*full);
    if (!parts) return SetLastError(kErrorInvalidName), std::nullopt;
    // "\\server\share" alone names no folder the redirector can open; Windows wants the trailing backslash.
    bool bareShare = parts->Root.starts_with("\\\\") && parts->Components.empty() &&
                     !directory.ends_with('\\') && !directory.ends_with('/');
    if (bareShare) return SetLastError(kErrorPathNotFound), std::nullopt;
    return parts->Root + '\\';
}

std::optional<TDiskFreeSpaceEx> SimDrives::GetDiskFreeSpaceExA(const std::string& directory) {
    auto root = RootOfDirectory(directory);
    if (!root) return std::nullopt;
    auto volume = ReadableVolume(*root);
    if (!volume) return std::nullopt;
    std::uint32_t attributes = Files.GetFileAttributesA(directory);
    if (attributes == kInvalidFileAttributes) return std::nullopt;
    if (!(attributes & kFileAttributeDirectory)) return SetLastError(kErrorDirectoryName), std::nullopt;
    TDiskFreeSpaceEx space{volume->FreeBytes, volume->TotalBytes, volume->FreeBytes};
    if (volume->QuotaFreeBytes)
        space.FreeBytesAvailableToCaller = std::min(*volume->QuotaFreeBytes, volume->FreeBytes);
    SetLastError(kErrorSuccess);
    return space;
}

void SimDrives::SetNetworkProviderAvailable(bool available) {
    std::lock_guard guard(Lock);
    NetworkProvider = available;
}

std::uint32_t SimDrives::ErrorMode() const {
    return Volumes.ErrorMode();
}

std::vector<std::uint32_t> SimDrives::ErrorModesAtVolumeQueries() const {
    std::lock_guard guard(Lock);
    return ModesAtVolumeQueries;
}

} // namespace ulv::sim
