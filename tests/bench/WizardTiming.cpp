// WizardTiming SETUP DEST
// Times an installation by the real setup as its user sees it, from another process: starts SETUP with
// -dDEST, clicks Next through the pages up to the ready page, then measures from the click of Next there
// until the title band reads the associations page's title; abandons the wizard on that page and waits for
// the setup to end. Prints the milliseconds on stdout, what went wrong on stderr. Exit status: 0 measured,
// 1 the setup never got there or did not end (it is ended then), 2 usage error.
#include "resources/ResConst.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

constexpr int kExitMeasured = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr DWORD kStepTimeoutMs = 60000;
// The measured wait polls often enough to be well below the wizard's own 100 ms progress timer, and no
// more: every poll is a round trip through the wineserver, which the installation needs too.
constexpr DWORD kMeasurePollMs = 2;
constexpr DWORD kWalkPollMs = 20;
// A wizard busy in a long handler must not hang the timer; a reply in this time is ample.
constexpr UINT kSendTimeoutMs = 2000;
constexpr std::size_t kReadyPage = 4;
constexpr std::size_t kAssocPage = 6;
constexpr std::string_view kConfirmationTitle = "Confirmation";
constexpr std::string_view kAbandonCaption = "A&bandonner";

// WM_GETTEXT rather than GetWindowText: the latter does not ask other processes' controls.
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

bool ClassIs(HWND window, const char* wanted) {
    char name[64];
    return GetClassNameA(window, name, sizeof name) > 0 && lstrcmpiA(name, wanted) == 0;
}

// Visits the top-level windows (parent null) or all descendants of parent until visit accepts one.
template <typename Visit> HWND Enumerate(HWND parent, Visit visit) {
    struct State {
        Visit& visit;
        HWND found = nullptr;
    } state{visit};
    WNDENUMPROC callback = [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<State*>(param);
        if (!s->visit(window)) return TRUE;
        s->found = window;
        return FALSE;
    };
    if (parent)
        EnumChildWindows(parent, callback, reinterpret_cast<LPARAM>(&state));
    else
        EnumWindows(callback, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

// The program's hidden application window carries the same title: only a visible one is the wizard.
HWND FindTopLevel(DWORD processId, std::string_view title) {
    return Enumerate(nullptr, [&](HWND window) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        return owner == processId && IsWindowVisible(window) && TextOf(window) == title;
    });
}

HWND FindChild(HWND parent, const char* className, std::string_view text) {
    return Enumerate(parent, [&](HWND child) { return ClassIs(child, className) && TextOf(child) == text; });
}

template <typename Done> bool PollUntil(DWORD pollMs, Done done) {
    ULONGLONG deadline = GetTickCount64() + kStepTimeoutMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(pollMs);
    }
}

std::string_view PageTitle(std::size_t page) {
    return ulv::kPageTitles[page];
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// The setup's process, ended if it is still there when the timing gives up on it.
class SetupProcess {
public:
    SetupProcess() = default;
    SetupProcess(const SetupProcess&) = delete;
    SetupProcess& operator=(const SetupProcess&) = delete;
    ~SetupProcess() {
        if (!info_.hProcess) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(info_.hProcess, 1);
            WaitForSingleObject(info_.hProcess, kStepTimeoutMs);
        }
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }

    bool Start(const std::string& setup, const std::string& dest) {
        std::string commandLine = "\"" + setup + "\" -d\"" + dest + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        return CreateProcessA(setup.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &info_);
    }
    DWORD Id() const { return info_.dwProcessId; }
    bool Ended() const { return WaitForSingleObject(info_.hProcess, kStepTimeoutMs) == WAIT_OBJECT_0; }

private:
    PROCESS_INFORMATION info_{};
};

// The wizard's window and the label in its title band, which names the page shown.
struct Wizard {
    HWND Window = nullptr;
    HWND Title = nullptr;

    bool Find(DWORD processId) {
        Window = FindTopLevel(processId, ulv::kAppTitle);
        Title = Window ? FindChild(Window, "STATIC", PageTitle(0)) : nullptr;
        return Title != nullptr;
    }
    bool Shows(std::size_t page) const { return TextOf(Title) == PageTitle(page); }
    HWND Button(std::string_view caption) const { return FindChild(Window, "BUTTON", caption); }
    // Posted: the wizard does the page's work inside its click handler, and a sent click would wait for it.
    bool ClickNextWhenEnabled() const {
        HWND next = nullptr;
        if (!PollUntil(kWalkPollMs,
                       [&] { return (next = Button(ulv::kNextCaption)) && IsWindowEnabled(next); }))
            return false;
        return PostMessageA(next, BM_CLICK, 0, 0);
    }
};

bool Fail(const char* what) {
    std::fprintf(stderr, "WizardTiming: %s\n", what);
    return false;
}

bool WalkToReadyPage(const Wizard& wizard) {
    for (std::size_t page = 0; page < kReadyPage; ++page) {
        if (!wizard.ClickNextWhenEnabled()) return Fail("Next stays disabled before the ready page");
        if (!PollUntil(kWalkPollMs, [&] { return wizard.Shows(page + 1); }))
            return Fail("a page before the ready page did not show");
    }
    return true;
}

bool TimeInstallation(const Wizard& wizard, double& ms) {
    HWND next = wizard.Button(ulv::kNextCaption);
    if (!next || !IsWindowEnabled(next)) return Fail("Next is not offered on the ready page");
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (!PostMessageA(next, BM_CLICK, 0, 0)) return Fail("cannot click Next on the ready page");
    if (!PollUntil(kMeasurePollMs, [&] { return wizard.Shows(kAssocPage); }))
        return Fail("the associations page did not show");
    QueryPerformanceCounter(&end);
    ms = Milliseconds(start, end);
    return true;
}

bool Abandon(const Wizard& wizard, const SetupProcess& setup) {
    HWND cancel = wizard.Button(ulv::kCancelCaption);
    if (!cancel || !PostMessageA(cancel, BM_CLICK, 0, 0))
        return Fail("no Cancel button on the associations page");
    HWND abandon = nullptr;
    bool asked = PollUntil(kWalkPollMs, [&] {
        HWND question = FindTopLevel(setup.Id(), kConfirmationTitle);
        return question && (abandon = FindChild(question, "BUTTON", kAbandonCaption));
    });
    if (!asked) return Fail("the close question did not show");
    if (!PostMessageA(abandon, BM_CLICK, 0, 0)) return Fail("cannot answer the close question");
    return setup.Ended() || Fail("the setup did not end after the abandon");
}

int Run(const std::string& setupPath, const std::string& dest) {
    SetupProcess setup;
    if (!setup.Start(setupPath, dest)) return Fail("cannot start the setup"), kExitFailed;
    Wizard wizard;
    if (!PollUntil(kWalkPollMs, [&] { return wizard.Find(setup.Id()); }))
        return Fail("the wizard's window did not show"), kExitFailed;
    double ms = 0;
    if (!WalkToReadyPage(wizard) || !TimeInstallation(wizard, ms) || !Abandon(wizard, setup))
        return kExitFailed;
    std::printf("%.1f\n", ms);
    return kExitMeasured;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) return std::fprintf(stderr, "usage: WizardTiming SETUP DEST\n"), kExitUsage;
    return Run(argv[1], argv[2]);
}
