#include "app/Startup.h"
#include "platform/win32/DllLoading.h"
#include "platform/win32/StartupTrace.h"
#include "platform/win32/Win32Platform.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // First of all: no static object of the program loads a library, so nothing has searched for a DLL yet.
    ulv::win32::RestrictDllSearchPath();
    ulv::win32::TraceStartup("entry");
    ulv::win32::Win32Machine machine;
    ulv::TPlatform platform = machine.Platform();
    ulv::win32::TraceStartup("machine");
    return ulv::RunSetup(platform, GetCommandLineA(), ulv::win32::TraceStartup);
}
