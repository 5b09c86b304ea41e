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

} // namespace

void RestrictDllSearchPath() {
    if (auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
            reinterpret_cast<void*>(Kernel32Export("SetDefaultDllDirectories")))) {
        gSystem32Only = setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
    }
    // Without it, at least drop the current directory from the search order.
    if (auto setDir = reinterpret_cast<SetDllDirectoryAFn>(
            reinterpret_cast<void*>(Kernel32Export("SetDllDirectoryA")))) {
        setDir("");
    }
}

HMODULE LoadSystemLibrary(const char* name) {
    if (gSystem32Only) return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::string path(folder, length);
    path += '\\';
    path += name;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace ulv::win32
