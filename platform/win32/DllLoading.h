#pragma once
#include <windows.h>

namespace ulv::win32 {

// Takes the program's folder and the current directory out of the DLL search path, so that a DLL planted
// beside the setup (a Downloads folder) is never loaded. Must run before anything loads a library.
void RestrictDllSearchPath();

// Loads a DLL from the system folder only; nullptr when it is not there.
HMODULE LoadSystemLibrary(const char* name);

// An export of a DLL every process has mapped from the system folder (kernel32, ntdll): the look-up loads
// nothing that could be planted. nullptr on a system without it.
template <typename Fn> Fn MappedSystemExport(const char* module, const char* name) {
    HMODULE mapped = GetModuleHandleA(module);
    return mapped ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(mapped, name))) : nullptr;
}

} // namespace ulv::win32
