#include "ContractEnv.h"
#include "platform/win32/Win32Platform.h"

#include <gtest/gtest.h>
#include <windows.h>

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
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
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

std::string CommandInterpreterPath() {
    char folder[MAX_PATH];
    UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return "";
    return std::string(folder, n) + "\\cmd.exe";
}

const char* AdapterName() {
    return "win32";
}

} // namespace ulv::contract
