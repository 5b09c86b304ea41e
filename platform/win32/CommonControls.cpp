#include "CommonControls.h"

#include "DllLoading.h"

#include <commctrl.h>

#include <future>
#include <optional>
#include <system_error>

namespace ulv::win32 {
namespace {

std::future<bool>& Loading() {
    static std::future<bool> loading;
    return loading;
}

std::optional<bool>& Loaded() {
    static std::optional<bool> loaded;
    return loaded;
}

} // namespace

bool InitCommonControls() {
    HMODULE comctl32 = LoadSystemLibrary("comctl32.dll");
    if (!comctl32) return false;
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    auto init =
        reinterpret_cast<InitFn>(reinterpret_cast<void*>(GetProcAddress(comctl32, "InitCommonControlsEx")));
    if (!init) return false;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
    return init(&icc) != FALSE;
}

void StartCommonControls() {
    if (Loading().valid() || Loaded()) return;
    try {
        Loading() = std::async(std::launch::async, InitCommonControls);
    } catch (const std::system_error&) {
        // Loaded when first needed.
    }
}

bool WaitCommonControls() {
    if (!Loaded()) Loaded() = Loading().valid() ? Loading().get() : InitCommonControls();
    return *Loaded();
}

} // namespace ulv::win32
