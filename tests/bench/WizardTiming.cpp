// WizardTiming SETUP DEST
// Times an installation by the real setup as its user sees it, from another process: starts SETUP with
// -dDEST, clicks Next through the pages up to the ready page, then measures from the click of Next there
// until the title band reads the associations page's title; abandons the wizard on that page and waits for
// the setup to end. Prints the milliseconds on stdout, what went wrong on stderr. Exit status: 0 measured,
// 1 the setup never got there or did not end (it is ended then), 2 usage error.
#include "resources/ResConst.h"
#include "tests/bench/TimingTool.h"
#include "tests/support/Win32Process.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace {

using ulv::test::FindChild;
using ulv::test::TextOf;
using namespace ulv::bench;

constexpr std::size_t kReadyPage = 4;
constexpr std::size_t kAssocPage = 6;
constexpr std::string_view kConfirmationTitle = "Confirmation";
constexpr std::string_view kAbandonCaption = "A&bandonner";

HWND FindTopLevel(DWORD processId, std::string_view title) {
    return ulv::test::FindTopLevel({.ProcessId = processId, .Title = title});
}

std::string_view PageTitle(std::size_t page) {
    return ulv::kPageTitles[page];
}

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
    ms = ulv::test::Milliseconds(start, end);
    return true;
}

bool Abandon(const Wizard& wizard, const ulv::test::ChildProcess& setup) {
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
    return setup.Ended(kStepTimeoutMs) || Fail("the setup did not end after the abandon");
}

int Run(const std::string& setupPath, const std::string& dest) {
    ulv::test::ChildProcess setup(kStepTimeoutMs);
    if (!setup.Start(setupPath, "-d\"" + dest + "\"")) return Fail("cannot start the setup"), kExitFailed;
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
