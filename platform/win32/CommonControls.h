#pragma once

namespace ulv::win32 {

// Registers the common control classes the wizard uses. comctl32 is not a known DLL, so it is loaded at run
// time from the system folder (or the side-by-side version 6 the manifest names), never imported.
bool InitCommonControls();

// comctl32 takes a while to load: StartCommonControls has a thread of its own load it while the program does
// other work, and WaitCommonControls waits for that load (or loads it on the spot when none was started or
// no thread could be had) and gives InitCommonControls' answer. Both are called on the GUI thread only.
// Start only once the program has a window: the display driver loads with the first one, and a library
// that registers window classes must not load on another thread meanwhile.
void StartCommonControls();
bool WaitCommonControls();

} // namespace ulv::win32
