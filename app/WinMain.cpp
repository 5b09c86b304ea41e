#include "app/Startup.h"
#include "platform/win32/DllLoading.h"
#include "platform/win32/StartupTrace.h"
#include "platform/win32/Win32Platform.h"
#include "resources/ResConst.h"

#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // First of all: no static object of the program loads a library, so nothing has searched for a DLL yet.
    ulv::win32::RestrictDllSearchPath();
    ulv::win32::TraceStartup("entry");
    ulv::win32::Win32Machine machine;
    ulv::TPlatform platform = machine.Platform();
    ulv::win32::TraceStartup("machine");
    // The run ends its own failures as its switches say (a box, or only the log and the code). What still
    // gets here came before the switches were read: it ends with a message rather than a silent end.
    try {
        return ulv::RunSetup(platform, GetCommandLineA(), ulv::win32::TraceStartup);
    } catch (...) {
        std::string text(ulv::kUnexpectedFailureText), title(ulv::kAppTitle);
        MessageBoxA(nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
        return ulv::kExitUnexpectedFailure;
    }
}
