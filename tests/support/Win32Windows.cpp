#include "Win32Windows.h"

namespace ulv::test {

std::string TextOf(HWND window, UINT sendTimeoutMs) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, sendTimeoutMs, &length))
        return {};
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, sendTimeoutMs, &copied);
    text.resize(copied < length ? copied : length);
    return text;
}

std::string ClassOf(HWND window) {
    char name[256];
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

bool ClassIs(HWND window, const char* wanted) {
    return lstrcmpiA(ClassOf(window).c_str(), wanted) == 0;
}

bool Matches(HWND window, const TopLevelQuery& query) {
    if (query.ProcessId) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != query.ProcessId) return false;
    }
    if (!IsWindowVisible(window)) return false;
    if (query.ClassName && !ClassIs(window, query.ClassName)) return false;
    return !query.Title || TextOf(window, query.SendTimeoutMs) == *query.Title;
}

HWND FindTopLevel(const TopLevelQuery& query) {
    return Enumerate(nullptr, [&](HWND window) { return Matches(window, query); });
}

HWND FindChild(HWND parent, const char* className, std::string_view text, UINT sendTimeoutMs) {
    return Enumerate(parent, [&](HWND child) {
        return ClassIs(child, className) && TextOf(child, sendTimeoutMs) == text;
    });
}

} // namespace ulv::test
