#pragma once
#include <windows.h>

namespace ulv::win32 {

// Takes the program's folder and the current directory out of the DLL search path, so that a DLL planted
// beside the setup (a Downloads folder) is never loaded. Must run before anything loads a library.
void RestrictDllSearchPath();

// Loads a DLL from the system folder only; nullptr when it is not there.
HMODULE LoadSystemLibrary(const char* name);

} // namespace ulv::win32
