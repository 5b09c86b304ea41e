#include "ContractEnv.h"
#include "platform/win32/Win32Platform.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

namespace ulv::contract {
namespace {

void DeleteTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            // A junction goes as itself: what it leads to may lie outside the scratch folder.
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                RemoveDirectoryA(path.c_str());
            else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(path + "\\");
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string MakeScratch() {
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, temp);
    std::string folder =
        std::string(temp, n) + "ulvara-contract-" + std::to_string(GetCurrentProcessId()) + "\\";
    DeleteTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string RegistryScratchKey() {
    return "Software\\UlvaraContract-" + std::to_string(GetCurrentProcessId());
}

class ScratchCleanup : public ::testing::Environment {
public:
    void TearDown() override {
        DeleteTree(Env().Scratch);
        RegDeleteTreeA(HKEY_CURRENT_USER, Env().RegistryScratch.c_str()); // the key itself too
    }
};
const auto* gCleanup = ::testing::AddGlobalTestEnvironment(new ScratchCleanup);

constexpr const char* kWindowClass = "UlvaraContractWindow";

bool RegisterWindowClass() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

// A window must lose its properties before it is destroyed; EnumPropsExA lets the callback remove the one
// it is given.
BOOL CALLBACK RemoveEachProp(HWND window, LPSTR name, HANDLE, ULONG_PTR) {
    RemovePropA(window, name);
    return TRUE;
}

std::wstring Widen(const std::string& text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) return L"";
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(length - 1);
    return wide;
}

// A mount point's reparse data: a header, then the target in the NT namespace and as it is shown to users,
// each followed by a NUL that the lengths leave out.
std::vector<std::uint8_t> JunctionData(const std::wstring& target) {
    const std::wstring substitute = L"\\??\\" + target;
    const auto substituteBytes = static_cast<USHORT>(substitute.size() * sizeof(wchar_t));
    const auto printBytes = static_cast<USHORT>(target.size() * sizeof(wchar_t));
    const auto pathBytes = static_cast<USHORT>(substituteBytes + printBytes + 2 * sizeof(wchar_t));
    struct {
        DWORD Tag;
        USHORT DataLength, Reserved, SubstituteOffset, SubstituteLength, PrintOffset, PrintLength;
    } header{IO_REPARSE_TAG_MOUNT_POINT,
             static_cast<USHORT>(8 + pathBytes),
             0,
             0,
             substituteBytes,
             static_cast<USHORT>(substituteBytes + sizeof(wchar_t)),
             printBytes};
    std::vector<std::uint8_t> data(sizeof header + pathBytes, 0);
    std::memcpy(data.data(), &header, sizeof header);
    std::memcpy(data.data() + sizeof header, substitute.c_str(), substituteBytes);
    std::memcpy(data.data() + sizeof header + header.PrintOffset, target.c_str(), printBytes);
    return data;
}

} // namespace

TContractEnv& Env() {
    static win32::Win32Machine machine;
    static TContractEnv env{machine.Platform(), MakeScratch(), RegistryScratchKey()};
    return env;
}

std::vector<std::string> RegistryValueNames(const std::string& keyPath) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return names;
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

WindowHandle MakeTopLevelWindowWithProp(const std::string& name, std::uintptr_t value) {
    static bool registered = RegisterWindowClass();
    if (!registered) return 0;
    HWND window = CreateWindowExA(0, kWindowClass, "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (!window) return 0;
    if (!SetPropA(window, name.c_str(), reinterpret_cast<HANDLE>(value))) {
        DestroyWindow(window);
        return 0;
    }
    return reinterpret_cast<WindowHandle>(window);
}

void DestroyTopLevelWindow(WindowHandle handle) {
    HWND window = reinterpret_cast<HWND>(handle);
    EnumPropsExA(window, RemoveEachProp, 0);
    DestroyWindow(window);
}

// A junction rather than a symbolic link: making one needs no privilege. Wine 8 makes neither: its
// CreateSymbolicLinkA succeeds and makes nothing, and FSCTL_SET_REPARSE_POINT fails with ERROR_NOT_SUPPORTED.
bool MakeFolderLink(const std::string& link, const std::string& target) {
    std::string folder = target;
    if (folder.ends_with('\\')) folder.pop_back();
    if (!CreateDirectoryA(link.c_str(), nullptr)) return false;
    bool made = false;
    HANDLE handle = CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        std::vector<std::uint8_t> data = JunctionData(Widen(folder));
        DWORD returned = 0;
        made = DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, data.data(), static_cast<DWORD>(data.size()),
                               nullptr, 0, &returned, nullptr) != FALSE;
        CloseHandle(handle);
    }
    if (!made) RemoveDirectoryA(link.c_str());
    return made;
}

std::string CommandInterpreterPath() {
    char folder[MAX_PATH];
    UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return "";
    return std::string(folder, n) + "\\cmd.exe";
}

std::uint32_t CurrentProcessId() {
    return GetCurrentProcessId();
}

bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

const char* AdapterName() {
    return "win32";
}

} // namespace ulv::contract
