#include "DllLoading.h"
#include "Win32Platform.h"

#include <vector>

namespace ulv::win32 {
namespace {

// Beyond this a remote name is not a share path anyone typed; refuse rather than follow the provider.
constexpr DWORD kLongestRemoteName = 32 * 1024;

} // namespace

Win32Drives::Win32Drives()
    : GetDiskFreeSpaceExEntry(
          MappedSystemExport<GetDiskFreeSpaceExFn>("kernel32.dll", "GetDiskFreeSpaceExA")) {}

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

std::optional<TVolumeInformation> Win32Drives::GetVolumeInformationA(const std::string& root) {
    char name[MAX_PATH + 1] = {};
    char fileSystem[MAX_PATH + 1] = {};
    DWORD serial = 0, maxComponent = 0, flags = 0;
    if (!::GetVolumeInformationA(root.c_str(), name, sizeof name, &serial, &maxComponent, &flags, fileSystem,
                                 sizeof fileSystem))
        return std::nullopt;
    name[MAX_PATH] = fileSystem[MAX_PATH] = '\0';
    return TVolumeInformation{name, serial, maxComponent, flags, fileSystem};
}

std::uint32_t Win32Drives::SetErrorMode(std::uint32_t mode) {
    return ::SetErrorMode(mode);
}

Win32Drives::WNetGetConnectionFn Win32Drives::WNetGetConnection() {
    std::call_once(MprLoaded, [this] {
        // Kept loaded for the life of the process: the page polls drives every few seconds.
        HMODULE mpr = LoadSystemLibrary("mpr.dll");
        if (!mpr) return;
        WNetGetConnectionEntry = reinterpret_cast<WNetGetConnectionFn>(
            reinterpret_cast<void*>(GetProcAddress(mpr, "WNetGetConnectionA")));
    });
    return WNetGetConnectionEntry;
}

std::optional<std::string> Win32Drives::WNetGetConnectionA(const std::string& localName) {
    WNetGetConnectionFn call = WNetGetConnection();
    if (!call) return std::nullopt;
    std::vector<char> remote(MAX_PATH + 1);
    DWORD size = static_cast<DWORD>(remote.size());
    DWORD result = call(localName.c_str(), remote.data(), &size);
    if (result == ERROR_MORE_DATA && size > remote.size() && size <= kLongestRemoteName) {
        remote.assign(size, '\0');
        result = call(localName.c_str(), remote.data(), &size);
    }
    if (result != NO_ERROR) return std::nullopt;
    remote.back() = '\0';
    return std::string(remote.data());
}

std::optional<TDiskFreeSpaceEx> Win32Drives::GetDiskFreeSpaceExA(const std::string& directory) {
    if (!GetDiskFreeSpaceExEntry) return std::nullopt;
    ULARGE_INTEGER available{}, total{}, totalFree{};
    if (!GetDiskFreeSpaceExEntry(directory.c_str(), &available, &total, &totalFree)) return std::nullopt;
    return TDiskFreeSpaceEx{available.QuadPart, total.QuadPart, totalFree.QuadPart};
}

} // namespace ulv::win32
