#include "InstUtils.h"

#include <array>
#include <cstring>

namespace ulv {
namespace {

// STORAGE_PROPERTY_QUERY {StorageDeviceProperty, PropertyStandardQuery, one padded parameter byte}.
constexpr std::uint32_t kQuerySize = 12;
// Room for STORAGE_DEVICE_DESCRIPTOR and the strings that follow it.
constexpr std::uint32_t kDescriptorBufferSize = 548;
constexpr size_t kRemovableMediaOffset = 10;
constexpr size_t kBusTypeOffset = 28;

std::uint32_t ReadU32(const std::uint8_t* bytes) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

} // namespace

std::string GroupDigits(std::int64_t n) {
    std::string text = std::to_string(n);
    // Only the digits are grouped: the sign never gets a blank after it ("-100", not "- 100").
    size_t digitsStart = n < 0 ? 1 : 0;
    for (size_t p = text.size(); p > digitsStart + 3;) {
        p -= 3;
        text.insert(p, 1, ' ');
    }
    return text;
}

std::uint32_t TInstUtils::GetDriveKind(const std::string& path) {
    std::string root = DrivePart(path);
    return Platform.Drives.GetDriveTypeA(EnsureTrailingBackslash(root));
}

bool TInstUtils::IsPortableDrive(const std::string& path) {
    std::uint32_t kind = GetDriveKind(path);
    if (kind == kDriveRemovable) return true;
    if (kind != kDriveFixed) return false;
    return QueryPortableBus(DrivePart(path));
}

bool TInstUtils::QueryPortableBus(const std::string& drive) {
    UniqueFile volume(Platform.Files,
                      Platform.Files.CreateFileA("\\\\.\\" + drive, kGenericRead,
                                                 kFileShareRead | kFileShareWrite, kOpenExisting, 0));
    if (!volume) return false;
    std::array<std::uint8_t, kQuerySize> query{}; // property 0 and query type 0: the standard device query
    std::array<std::uint8_t, kDescriptorBufferSize> descriptor{};
    std::memcpy(descriptor.data() + 4, &kDescriptorBufferSize, sizeof kDescriptorBufferSize);
    std::uint32_t returned = 0;
    if (!Platform.Files.DeviceIoControl(volume.Get(), kIoctlStorageQueryProperty, query.data(), kQuerySize,
                                        descriptor.data(), kDescriptorBufferSize, returned))
        return false;
    std::uint32_t bus = ReadU32(descriptor.data() + kBusTypeOffset);
    return bus == kBusType1394 || bus == kBusTypeUsb || descriptor[kRemovableMediaOffset] != 0;
}

std::optional<std::uint64_t> TInstUtils::ClusterSizeOfRoot(const std::string& root) {
    std::optional<TDiskFreeSpace> space = Platform.Drives.GetDiskFreeSpaceA(root);
    if (!space) return std::nullopt;
    std::uint64_t size = std::uint64_t{space->SectorsPerCluster} * space->BytesPerSector;
    if (size == 0) return std::nullopt;
    return size;
}

std::optional<std::string> TInstUtils::NearestExistingFolder(const std::string& fullPath) {
    std::string folder = fullPath;
    while (!folder.empty()) {
        if (IsFolder(folder)) return folder;
        size_t end = folder.find_last_not_of('\\');
        if (end == std::string::npos) break;
        size_t cut = folder.find_last_of('\\', end);
        if (cut == std::string::npos) break;
        folder.resize(cut + 1);
    }
    return std::nullopt;
}

// Asking GetDiskFreeSpaceA about the current directory after making the folder current would change the
// directory under the other thread's feet, and for a folder not created yet (the destination, typically)
// it answers for whatever volume happened to be current. The volume that will hold the folder is that of
// its nearest existing ancestor, or failing that the drive the path names.
std::uint64_t TInstUtils::GetClusterSize(const std::string& folder) {
    std::string full = Platform.Files.GetFullPathNameA(folder).value_or(folder);
    if (std::optional<std::string> existing = NearestExistingFolder(full)) {
        if (std::optional<std::string> root = Platform.Drives.GetVolumePathNameA(*existing))
            if (std::optional<std::uint64_t> size = ClusterSizeOfRoot(*root)) return *size;
    }
    std::string drive = DrivePart(full);
    if (!drive.empty())
        if (std::optional<std::uint64_t> size = ClusterSizeOfRoot(EnsureTrailingBackslash(drive)))
            return *size;
    return kFallbackClusterSize; // callers divide by it
}

std::int32_t TInstUtils::FileSizeOf(const std::string& path) {
    UniqueFile file(Platform.Files,
                    Platform.Files.CreateFileA(path, 0, kFileShareRead, kOpenExisting, kFileAttributeNormal));
    if (!file) return kInvalidFileSize;
    std::optional<std::uint64_t> size = Platform.Files.GetFileSize(file.Get());
    if (!size) return kInvalidFileSize;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*size));
}

} // namespace ulv
