// StartTiming PROGRAM TITLE
// Times a program's start as its user sees it, from another process: from just before CreateProcess until
// a visible top-level window of that process with the title TITLE has answered a WM_NULL, then ends the
// program. The answer means the window's thread has entered its message loop; both programs timed here
// paint their whole window before they enter it, so the window is then on the screen, drawn. Polls every
// millisecond. Prints the milliseconds on stdout, what went wrong on stderr. Exit status: 0 measured, 1 the
// window never showed, 2 usage error.
#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

constexpr int kExitMeasured = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kPollMs = 1;
// A program still busy starting answers later; one that is hung must not hold the timing.
constexpr UINT kSendTimeoutMs = 5000;

// WM_GETTEXT rather than GetWindowText: the latter does not ask other processes' windows.
std::string TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length))
        return {};
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied);
    text.resize(copied < length ? copied : length);
    return text;
}

struct Search {
    DWORD ProcessId;
    std::string_view Title;
    HWND Found = nullptr;
};

// A hidden window of the same title (the setup's application window) does not count.
BOOL CALLBACK VisitTopLevel(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->ProcessId || !IsWindowVisible(window) || TextOf(window) != search->Title)
        return TRUE;
    search->Found = window;
    return FALSE;
}

bool Answers(HWND window) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &ignored) != 0;
}

bool ShowsWindow(DWORD processId, std::string_view title) {
    Search search{processId, title};
    EnumWindows(VisitTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.Found && Answers(search.Found);
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// The timed program, ended (and waited for) however the timing goes.
class TimedProcess {
public:
    TimedProcess() = default;
    TimedProcess(const TimedProcess&) = delete;
    TimedProcess& operator=(const TimedProcess&) = delete;
    ~TimedProcess() {
        if (!info_.hProcess) return;
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, kTimeoutMs);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }

    bool Start(const std::string& program) {
        std::string commandLine = "\"" + program + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        return CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info_);
    }
    [[nodiscard]] DWORD Id() const { return info_.dwProcessId; }
    [[nodiscard]] bool Ended() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }

private:
    PROCESS_INFORMATION info_{};
};

int Run(const std::string& program, std::string_view title) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    TimedProcess process;
    if (!process.Start(program)) {
        std::fprintf(stderr, "StartTiming: cannot start %s (error %lu)\n", program.c_str(), GetLastError());
        return kExitFailed;
    }
    ULONGLONG deadline = GetTickCount64() + kTimeoutMs;
    while (!ShowsWindow(process.Id(), title)) {
        if (process.Ended() || GetTickCount64() >= deadline) {
            std::fprintf(stderr, "StartTiming: %s showed no window\n", program.c_str());
            return kExitFailed;
        }
        Sleep(kPollMs);
    }
    QueryPerformanceCounter(&end);
    std::printf("%.1f\n", Milliseconds(start, end));
    return kExitMeasured;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) return std::fprintf(stderr, "usage: StartTiming PROGRAM TITLE\n"), kExitUsage;
    return Run(argv[1], argv[2]);
}
