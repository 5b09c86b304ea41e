#include "BenchMachine.h"
#include "platform/win32/DllLoading.h"
#include "platform/win32/Win32Platform.h"

ulv::TPlatform& BenchPlatform() {
    static ulv::win32::Win32Machine& machine = []() -> ulv::win32::Win32Machine& {
        ulv::win32::RestrictDllSearchPath();
        static ulv::win32::Win32Machine real;
        return real;
    }();
    static ulv::TPlatform platform = machine.Platform();
    return platform;
}

const char* BenchMachineName() {
    return "Win32 (files in the temporary folder, the text port through its real system calls)";
}
