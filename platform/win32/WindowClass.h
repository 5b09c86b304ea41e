#pragma once
#include <windows.h>

namespace ulv::win32 {

// Registers the window class the first time its name is asked for, from whichever thread; a later call with
// that name registers nothing, whatever else it gives (the first procedure, icon and cursor stay). False
// when the system refused the class: the next call then tries again.
bool RegisterClassOnce(const WNDCLASSEXA& windowClass);

} // namespace ulv::win32
