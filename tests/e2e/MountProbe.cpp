// MountProbe define X: UNIXPATH [floppy|hd|cdrom|network] [LABEL]
//     gives the running Wine a drive X: on a Unix folder through its mount manager, as plugging in a stick
//     would; LABEL goes into the folder's .windows-label, where Wine reads volume names from. The drive
//     stays in the prefix (a dosdevices link and a Software\Wine\Drives value) until removed.
// MountProbe remove X:                        takes the drive away again
// MountProbe wait X: present|absent TIMEOUT_MS
//     polls GetLogicalDrives every 50 ms, as the wizard's drive timer does, until the drive is so
// MountProbe info X:                          what the drive port says about X:, one "key=value" a line
// Prints "ok" and exits 0 on success; exits 1 on failure, 2 on a usage error.
#include "platform/win32/Win32Platform.h"

#include <windows.h>

#include <shellapi.h>
#include <winioctl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

// Wine's own extension of the mount manager (include/ddk/mountmgr.h of Wine): the record is followed by
// its strings, which the offsets point at from the record's start. `type` is a DRIVE_* number;
// DRIVE_NO_ROOT_DIR removes the letter.
struct UnixDriveRecord {
    ULONG Size;
    ULONG Type;
    ULONG FsType;
    DWORD Serial;
    ULONGLONG UnixDev;
    WCHAR Letter;
    USHORT MountPointOffset;
    USHORT DeviceOffset;
    USHORT LabelOffset;
};
static_assert(sizeof(UnixDriveRecord) == 32);

constexpr DWORD kIoctlDefineUnixDrive =
    CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
constexpr DWORD kPollMs = 50;

std::optional<char> DriveLetter(const std::wstring& arg) {
    if (arg.size() != 2 || arg[1] != L':') return std::nullopt;
    wchar_t c = arg[0] & ~0x20;
    if (c < L'A' || c > L'Z') return std::nullopt;
    return static_cast<char>(c);
}

std::optional<ULONG> DriveType(const std::wstring& kind) {
    if (kind == L"floppy") return DRIVE_REMOVABLE;
    if (kind == L"hd") return DRIVE_FIXED;
    if (kind == L"cdrom") return DRIVE_CDROM;
    if (kind == L"network") return DRIVE_REMOTE;
    return std::nullopt;
}

std::string Utf8(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    out.pop_back();
    return out;
}

// The record and its one string, the Unix folder (empty: none), NUL-terminated in the system's encoding.
std::vector<BYTE> Record(char letter, ULONG type, const std::string& unixPath) {
    std::vector<BYTE> bytes(sizeof(UnixDriveRecord));
    UnixDriveRecord record{};
    record.Type = type;
    record.Letter = static_cast<WCHAR>(letter);
    if (!unixPath.empty()) {
        record.MountPointOffset = static_cast<USHORT>(bytes.size());
        bytes.insert(bytes.end(), unixPath.begin(), unixPath.end());
        bytes.push_back(0);
    }
    record.Size = static_cast<ULONG>(bytes.size());
    std::memcpy(bytes.data(), &record, sizeof record);
    return bytes;
}

bool SendToMountManager(std::vector<BYTE>& record) {
    HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) {
        std::printf("error opening the mount manager: %lu\n", GetLastError());
        return false;
    }
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(manager, kIoctlDefineUnixDrive, record.data(),
                              static_cast<DWORD>(record.size()), nullptr, 0, &returned, nullptr);
    DWORD error = GetLastError();
    CloseHandle(manager);
    if (!ok) std::printf("error from the mount manager: %lu\n", error);
    return ok;
}

// Wine reads the label when the drive is defined, so it goes into the folder first, through the DOS name
// Wine gives the Unix folder.
bool WriteLabel(const std::string& unixFolder, const std::wstring& label) {
    using DosNameFn = LPWSTR(CDECL*)(LPCSTR);
    auto dosName = reinterpret_cast<DosNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    LPWSTR folder = dosName ? dosName(unixFolder.c_str()) : nullptr;
    if (!folder) {
        std::printf("error: no DOS name for %s\n", unixFolder.c_str());
        return false;
    }
    std::wstring path = std::wstring(folder) + L"\\.windows-label";
    HeapFree(GetProcessHeap(), 0, folder);
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("error writing the label: %lu\n", GetLastError());
        return false;
    }
    std::string text = Utf8(label) + "\n";
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

int Define(char letter, const std::wstring& unixPath, const std::wstring& kind, const std::wstring& label) {
    auto type = DriveType(kind);
    if (!type || !(unixPath.starts_with(L'/') || unixPath.starts_with(L"unc/"))) return 2;
    std::string folder = Utf8(unixPath);
    if (!label.empty() && !WriteLabel(folder, label)) return 1;
    std::vector<BYTE> record = Record(letter, *type, folder);
    if (!SendToMountManager(record)) return 1;
    std::printf("ok\n");
    return 0;
}

int Remove(char letter) {
    std::vector<BYTE> record = Record(letter, DRIVE_NO_ROOT_DIR, "");
    if (!SendToMountManager(record)) return 1;
    std::printf("ok\n");
    return 0;
}

int Wait(char letter, bool present, DWORD timeoutMs) {
    DWORD bit = 1u << (letter - 'A');
    std::printf("polling\n");
    std::fflush(stdout);
    ULONGLONG start = GetTickCount64();
    for (;;) {
        ULONGLONG elapsed = GetTickCount64() - start;
        if (((GetLogicalDrives() & bit) != 0) == present) {
            std::printf("ok %llu ms\n", elapsed);
            return 0;
        }
        if (elapsed >= timeoutMs) break;
        Sleep(kPollMs);
    }
    std::printf("timeout: %c: still %s\n", letter, present ? "absent" : "present");
    return 1;
}

int Info(char letter) {
    ulv::win32::Win32Drives drives;
    std::string root = std::string(1, letter) + ":\\";
    std::printf("type=%u\n", drives.GetDriveTypeA(root));
    std::uint32_t previous = drives.SetErrorMode(ulv::kSemFailCriticalErrors);
    auto volume = drives.GetVolumeInformationA(root);
    DWORD error = GetLastError();
    drives.SetErrorMode(previous);
    if (volume)
        std::printf("label=%s\nflags=0x%X\nfilesystem=%s\n", volume->VolumeName.c_str(),
                    volume->FileSystemFlags, volume->FileSystemName.c_str());
    else
        std::printf("volume.error=%lu\n", error);
    auto remote = drives.WNetGetConnectionA(root.substr(0, 2));
    std::printf("remote=%s\n", remote ? remote->c_str() : "(none)");
    return 0;
}

int Run(const std::vector<std::wstring>& args) {
    if (args.size() < 3) return 2;
    auto letter = DriveLetter(args[2]);
    if (!letter) return 2;
    const std::wstring& command = args[1];
    if (command == L"define" && args.size() >= 4 && args.size() <= 6)
        return Define(*letter, args[3], args.size() > 4 ? args[4] : L"hd", args.size() > 5 ? args[5] : L"");
    if (command == L"remove" && args.size() == 3) return Remove(*letter);
    if (command == L"wait" && args.size() == 5 && (args[3] == L"present" || args[3] == L"absent"))
        return Wait(*letter, args[3] == L"present", wcstoul(args[4].c_str(), nullptr, 10));
    if (command == L"info" && args.size() == 3) return Info(*letter);
    return 2;
}

} // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 2;
    std::vector<std::wstring> args(argv, argv + argc);
    LocalFree(argv);
    int result = Run(args);
    if (result == 2)
        std::fprintf(stderr, "usage: MountProbe define X: UNIXPATH [floppy|hd|cdrom|network] [LABEL]\n"
                             "       MountProbe remove X: | wait X: present|absent TIMEOUT_MS | info X:\n");
    return result;
}
