#pragma once
// Finding and reading another process's windows, for the test tools that drive the setup from outside.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace ulv::test {

// A target stuck in a long operation must not hang the tool; a reply in this time is ample.
inline constexpr UINT kSendTimeoutMs = 2000;

// The window's text asked by WM_GETTEXT, which other processes' controls answer (GetWindowText does not
// ask them); empty when the target does not answer within sendTimeoutMs.
std::string TextOf(HWND window, UINT sendTimeoutMs = kSendTimeoutMs);

std::string ClassOf(HWND window);
// Class names compare without case, as Windows itself does.
bool ClassIs(HWND window, const char* wanted);

// Visits the top-level windows (parent null) or all descendants of parent until visit accepts one; gives
// the window it stopped at.
template <typename Visit> HWND Enumerate(HWND parent, Visit visit) {
    struct State {
        Visit& visit;
        HWND found = nullptr;
    } state{visit};
    WNDENUMPROC callback = [](HWND window, LPARAM param) CALLBACK -> BOOL {
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

// A visible top-level window; each criterion left empty accepts any. Hidden windows never match: the setup's
// application window carries the wizard's title too.
struct TopLevelQuery {
    DWORD ProcessId = 0;
    const char* ClassName = nullptr;
    std::optional<std::string_view> Title;
    UINT SendTimeoutMs = kSendTimeoutMs;
};

// The title is asked last: it is the one criterion that costs a round trip to the target.
bool Matches(HWND window, const TopLevelQuery& query);
HWND FindTopLevel(const TopLevelQuery& query);

// The first descendant of parent of that class showing exactly that text.
HWND FindChild(HWND parent, const char* className, std::string_view text,
               UINT sendTimeoutMs = kSendTimeoutMs);

// Polls until done accepts or timeoutMs runs out; a window the program under test has not created yet is
// the normal case, not an error.
template <typename Done> bool PollUntil(DWORD timeoutMs, DWORD pollMs, Done done) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(pollMs);
    }
}

} // namespace ulv::test
