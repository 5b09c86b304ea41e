#pragma once

namespace ulv::win32 {

// Registers the common control classes the wizard uses. comctl32 is not a known DLL, so it is loaded at run
// time from the system folder (or the side-by-side version 6 the manifest names), never imported.
bool InitCommonControls();

} // namespace ulv::win32
