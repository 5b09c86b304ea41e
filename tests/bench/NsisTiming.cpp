// NsisTiming INSTALLER DEST
// Times the NSIS installer that scripts/bench writes beside the setup, from another process, as WizardTiming
// times the setup: starts INSTALLER with /D=DEST, clicks through the welcome and licence pages to the
// directory page, then measures from the click of Install there until the finish page's title shows;
// closes the installer from the finish page and waits for it to end. Prints the milliseconds on stdout, what
// went wrong on stderr. Exit status: 0 measured, 1 the installer never got there or did not end (it is ended
// then), 2 usage error.
#include "tests/bench/TimingTool.h"
#include "tests/support/Win32Process.h"

#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace {

using namespace ulv::bench;

// The titles the bench's script gives the pages (MUI_PAGE_HEADER_TEXT, MUI_FINISHPAGE_TITLE).
constexpr std::string_view kLicenceTitle = "Licence du traitement de texte";
constexpr std::string_view kDirectoryTitle = "Dossier d'installation";
constexpr std::string_view kFinishTitle = "Fin de l'installation";
// NSIS gives its Next/Install/Close button the dialog's IDOK whatever its caption.
constexpr int kNextId = IDOK;

bool Fail(const char* what) {
    std::fprintf(stderr, "NsisTiming: %s\n", what);
    return false;
}

// A page shows when a visible label reads its title: MUI keeps the header's labels, hidden, behind the
// welcome and finish pages, and the finish page's title exists before the page is shown. The labels' text
// is read where the window manager keeps it (GetWindowText does not ask another process's window): a
// WM_GETTEXT to each label at every poll would go through the installer's window thread, which handles
// the install thread's progress messages too.
bool Shows(HWND window, std::string_view title) {
    return ulv::test::Enumerate(window, [&](HWND child) {
        char text[256];
        int length = GetWindowTextA(child, text, sizeof text);
        return length > 0 && std::string_view(text, length) == title && ulv::test::ClassIs(child, "STATIC") &&
               IsWindowVisible(child);
    });
}

// Posted, as WizardTiming clicks: a sent click would wait for the page's work.
bool ClickNextWhenEnabled(HWND window) {
    HWND next = GetDlgItem(window, kNextId);
    if (!PollUntil(kWalkPollMs, [&] { return next && IsWindowEnabled(next); })) return false;
    return PostMessageA(next, BM_CLICK, 0, 0);
}

bool WalkToDirectoryPage(HWND window) {
    for (std::string_view title : {kLicenceTitle, kDirectoryTitle}) {
        if (!ClickNextWhenEnabled(window)) return Fail("Next stays disabled before the directory page");
        if (!PollUntil(kWalkPollMs, [&] { return Shows(window, title); }))
            return Fail("a page before the directory page did not show");
    }
    return true;
}

bool TimeInstallation(HWND window, double& ms) {
    HWND install = GetDlgItem(window, kNextId);
    if (!install || !IsWindowEnabled(install)) return Fail("Install is not offered on the directory page");
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (!PostMessageA(install, BM_CLICK, 0, 0)) return Fail("cannot click Install");
    if (!PollUntil(kMeasurePollMs, [&] { return Shows(window, kFinishTitle); }))
        return Fail("the finish page did not show");
    QueryPerformanceCounter(&end);
    ms = ulv::test::Milliseconds(start, end);
    return true;
}

int Run(const std::string& installerPath, const std::string& dest) {
    ulv::test::ChildProcess installer(kStepTimeoutMs);
    // NSIS takes /D= last and unquoted, spaces included.
    if (!installer.Start(installerPath, "/D=" + dest)) return Fail("cannot start the installer"), kExitFailed;
    // The installer's one window: a dialog, whose caption changes with the page.
    ulv::test::TopLevelQuery query{.ProcessId = installer.Id(), .ClassName = "#32770", .Title = std::nullopt};
    HWND window = nullptr;
    if (!PollUntil(kWalkPollMs, [&] { return (window = ulv::test::FindTopLevel(query)); }))
        return Fail("the installer's window did not show"), kExitFailed;
    double ms = 0;
    if (!WalkToDirectoryPage(window) || !TimeInstallation(window, ms)) return kExitFailed;
    if (!ClickNextWhenEnabled(window) || !installer.Ended(kStepTimeoutMs))
        return Fail("the installer did not end from its finish page"), kExitFailed;
    std::printf("%.1f\n", ms);
    return kExitMeasured;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) return std::fprintf(stderr, "usage: NsisTiming INSTALLER DEST\n"), kExitUsage;
    return Run(argv[1], argv[2]);
}
