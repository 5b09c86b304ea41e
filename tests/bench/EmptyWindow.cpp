// The least a Windows GUI program does to show a window: a class, one plain window of the wizard's size,
// shown and painted, and a message loop. The start-up bench times it beside the setup.
#include <windows.h>

namespace {

constexpr const char* kClassName = "UlvaraEmptyWindow";
constexpr const char* kTitle = "Empty window";

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc)) return 1;
    RECT frame{0, 0, 492, 351};
    constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_BORDER;
    AdjustWindowRect(&frame, kStyle, FALSE);
    HWND window = CreateWindowExA(WS_EX_DLGMODALFRAME, kClassName, kTitle, kStyle, CW_USEDEFAULT,
                                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                  nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
