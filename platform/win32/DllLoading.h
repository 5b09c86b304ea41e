#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace ulv::win32 {

// Takes the program's folder and the current directory out of the DLL search path, so that a DLL planted
// beside the setup (a Downloads folder) is never loaded. Must run before anything loads a library.
void RestrictDllSearchPath();

// Loads a DLL from the system folder only; nullptr when it is not there.
HMODULE LoadSystemLibrary(const char* name);

// Where the system cannot be told to search the system folder alone (no SetDefaultDllDirectories: before
// Windows 8 without its update), the DLLs that system DLLs load by name (themes, COM's catalogue, the
// security and profile helpers...) are loaded first from the system folder by their full paths, so that a
// later load by name finds them mapped instead of looking beside the setup. The names loaded, in order.
std::vector<std::string> PreloadSystemLibraries();

// An export of a DLL every process has mapped from the system folder (kernel32, ntdll): the look-up loads
// nothing that could be planted. nullptr on a system without it.
template <typename Fn> Fn MappedSystemExport(const char* module, const char* name) {
    HMODULE mapped = GetModuleHandleA(module);
    return mapped ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(mapped, name))) : nullptr;
}

} // namespace ulv::win32
