#include "CommonControls.h"

#include "DllLoading.h"

#include <commctrl.h>

namespace ulv::win32 {

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

} // namespace ulv::win32
