#pragma once
// The start-up's phases for the bench: when the environment variable ULVARA_STARTUP_TRACE names a file, each
// TraceStartup call notes the moment its phase ended, and WriteStartupTrace appends them to that file, one
// line "phase ms" each, the milliseconds since the process was created (the moment its starter called
// CreateProcess). The moments are kept in memory and written in one go at the end, so that the trace does
// not slow what it measures: no file, no system lock (a library loading on another thread holds the loader's)
// while the phases run. Without the variable a call costs one test of a flag read once.
#include <windows.h>

#include <atomic>
#include <cstdio>

namespace ulv::win32 {

namespace startup_trace {

struct TMark {
    const char* Phase;
    LONGLONG Counter;
};

constexpr int kMaxMarks = 32;

struct TTrace {
    TTrace() {
        DWORD length = GetEnvironmentVariableA("ULVARA_STARTUP_TRACE", Path, MAX_PATH);
        Enabled = length != 0 && length < MAX_PATH;
    }
    char Path[MAX_PATH];
    bool Enabled;
    std::atomic<int> Count{0};
    TMark Marks[kMaxMarks];
};

// Made on the first call, on the GUI thread before any other thread exists.
inline TTrace& Trace() {
    static TTrace trace;
    return trace;
}

} // namespace startup_trace

// Any thread; phases are constant strings.
inline void TraceStartup(const char* phase) {
    startup_trace::TTrace& trace = startup_trace::Trace();
    if (!trace.Enabled) return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    int at = trace.Count.fetch_add(1);
    if (at < startup_trace::kMaxMarks) trace.Marks[at] = {phase, now.QuadPart};
}

// On the GUI thread once the last phase is marked; the phases of other threads that ended by then are in.
inline void WriteStartupTrace() {
    startup_trace::TTrace& trace = startup_trace::Trace();
    if (!trace.Enabled) return;
    // The process's age now, and the counter now: each mark's age follows from its counter.
    FILETIME created, exited, kernel, user, clock;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return;
    // The coarse clock moves by whole ticks (up to 16 ms): the precise one where the system has it.
    using NowFn = VOID(WINAPI*)(LPFILETIME);
    auto precise = reinterpret_cast<NowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    LARGE_INTEGER counter, frequency;
    (precise ? precise : GetSystemTimeAsFileTime)(&clock);
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    auto ticks = [](FILETIME t) {
        return static_cast<double>(ULARGE_INTEGER{{t.dwLowDateTime, t.dwHighDateTime}}.QuadPart);
    };
    const double ageNow = (ticks(clock) - ticks(created)) / 1e4;
    char text[startup_trace::kMaxMarks * 48];
    int size = 0;
    int count = trace.Count.load();
    for (int i = 0; i < count && i < startup_trace::kMaxMarks; ++i) {
        const startup_trace::TMark& mark = trace.Marks[i];
        double age = ageNow - static_cast<double>(counter.QuadPart - mark.Counter) * 1e3 /
                                  static_cast<double>(frequency.QuadPart);
        int n = std::snprintf(text + size, sizeof text - static_cast<size_t>(size), "%.32s %.1f\r\n",
                              mark.Phase, age);
        if (n <= 0 || n >= static_cast<int>(sizeof text) - size) break;
        size += n;
    }
    HANDLE file = CreateFileA(trace.Path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    (void)WriteFile(file, text, static_cast<DWORD>(size), &written, nullptr);
    CloseHandle(file);
}

} // namespace ulv::win32
