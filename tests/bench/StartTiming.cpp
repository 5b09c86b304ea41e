// StartTiming PROGRAM TITLE
// Times a program's start as its user sees it, from another process: from just before CreateProcess until
// a visible top-level window of that process with the title TITLE has answered a WM_NULL, then ends the
// program. The answer means the window's thread has entered its message loop; both programs timed here
// paint their whole window before they enter it, so the window is then on the screen, drawn. Polls every
// millisecond. Prints the milliseconds on stdout, what went wrong on stderr. Exit status: 0 measured, 1 the
// window never showed, 2 usage error.
#include "tests/bench/TimingTool.h"
#include "tests/support/Win32Process.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

using ulv::bench::kExitFailed;
using ulv::bench::kExitMeasured;
using ulv::bench::kExitUsage;
constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kPollMs = 1;
// A program still busy starting answers later; one that is hung must not hold the timing.
constexpr UINT kSendTimeoutMs = 5000;

bool Answers(HWND window) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored) != 0;
}

// A hidden window of the same title (the setup's application window) does not count.
bool ShowsWindow(DWORD processId, std::string_view title) {
    HWND window =
        ulv::test::FindTopLevel({.ProcessId = processId, .Title = title, .SendTimeoutMs = kSendTimeoutMs});
    return window && Answers(window);
}

int Run(const std::string& program, std::string_view title) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    ulv::test::ChildProcess process(kTimeoutMs);
    if (!process.Start(program)) {
        std::fprintf(stderr, "StartTiming: cannot start %s (error %lu)\n", program.c_str(), GetLastError());
        return kExitFailed;
    }
    bool shown = false;
    ulv::test::PollUntil(kTimeoutMs, kPollMs,
                         [&] { return (shown = ShowsWindow(process.Id(), title)) || process.Ended(0); });
    if (!shown) {
        std::fprintf(stderr, "StartTiming: %s showed no window\n", program.c_str());
        return kExitFailed;
    }
    QueryPerformanceCounter(&end);
    std::printf("%.1f\n", ulv::test::Milliseconds(start, end));
    return kExitMeasured;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) return std::fprintf(stderr, "usage: StartTiming PROGRAM TITLE\n"), kExitUsage;
    return Run(argv[1], argv[2]);
}
