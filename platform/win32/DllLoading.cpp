#include "DllLoading.h"

#include <string>

namespace ulv::win32 {
namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryAFn = BOOL(WINAPI*)(LPCSTR);

// kernel32 is always mapped (it is a known DLL); these exports exist only on later systems.
FARPROC Kernel32Export(const char* name) {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    return kernel32 ? GetProcAddress(kernel32, name) : nullptr;
}

bool gSystem32Only = false;

constexpr const char* kLoadedByName[] = {
    "uxtheme.dll",   "userenv.dll",  "setupapi.dll", "apphelp.dll",  "propsys.dll", "dwmapi.dll",
    "cryptbase.dll", "oleacc.dll",   "clbcatq.dll",  "version.dll",  "ntmarta.dll", "profapi.dll",
    "sspicli.dll",   "oleaut32.dll", "shfolder.dll", "rstrtmgr.dll",
};

std::string SystemFolder() {
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::string(folder, length) + "\\";
}

} // namespace

void RestrictDllSearchPath() {
    if (auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
            reinterpret_cast<void*>(Kernel32Export("SetDefaultDllDirectories")))) {
        gSystem32Only = setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
    }
    // Without it, at least drop the current directory from the search order, and have the DLLs that
    // system DLLs load by name mapped from the system folder before they are asked for.
    if (auto setDir = reinterpret_cast<SetDllDirectoryAFn>(
            reinterpret_cast<void*>(Kernel32Export("SetDllDirectoryA")))) {
        setDir("");
    }
    if (!gSystem32Only) (void)PreloadSystemLibraries();
}

std::vector<std::string> PreloadSystemLibraries() {
    std::vector<std::string> loaded;
    const std::string folder = SystemFolder();
    if (folder.empty()) return loaded;
    for (const char* name : kLoadedByName) {
        const std::string path = folder + name;
        // A DLL this Windows does not have is simply not there to plant a copy of.
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        if (LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) loaded.emplace_back(name);
    }
    return loaded;
}

HMODULE LoadSystemLibrary(const char* name) {
    if (gSystem32Only) return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const std::string folder = SystemFolder();
    if (folder.empty()) return nullptr;
    return LoadLibraryExA((folder + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace ulv::win32
