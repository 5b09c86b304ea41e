#pragma once
// The start-up's phases for the bench: when the environment variable ULVARA_STARTUP_TRACE names a file, each
// call appends a line "phase ms" to it, the milliseconds since the process was created (the moment its
// starter called CreateProcess). Without the variable a call costs one environment lookup and does nothing.
#include <windows.h>

#include <cstdio>

namespace ulv::win32 {

inline void TraceStartup(const char* phase) {
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("ULVARA_STARTUP_TRACE", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return;
    // The coarse clock moves by whole ticks (up to 16 ms): the precise one where the system has it.
    using NowFn = VOID(WINAPI*)(LPFILETIME);
    auto precise = reinterpret_cast<NowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    (precise ? precise : GetSystemTimeAsFileTime)(&now);
    auto ticks = [](FILETIME t) {
        return static_cast<double>(ULARGE_INTEGER{{t.dwLowDateTime, t.dwHighDateTime}}.QuadPart);
    };
    char line[128];
    int size = std::snprintf(line, sizeof line, "%s %.1f\r\n", phase, (ticks(now) - ticks(created)) / 1e4);
    if (size <= 0 || size >= static_cast<int>(sizeof line)) return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    (void)WriteFile(file, line, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}

} // namespace ulv::win32
