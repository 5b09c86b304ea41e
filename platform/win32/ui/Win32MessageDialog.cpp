// The message dialog as a window of our own: MessageBoxA can neither carry French captions on every
// system nor these button sets. It is a dialog class of ours (DefDlgProc, DLGWINDOWEXTRA) whose buttons
// have their result codes as ids, so the dialog manager gives Enter (the focused button, else the
// default one), Esc, Tab, the arrow keys and the buttons' accelerators.
#include "platform/ui/MessageDialog.h"
#include "platform/win32/WindowClass.h"
#include "platform/win32/ui/Win32Ui.h"

#include <algorithm>
#include <vector>

namespace ulv {
namespace {

constexpr const char* kMessageClass = "UlvaraMessage";

struct TDialogState {
    int Result = 0;
    int Default = 0;
    int Cancel = 0;
    int Unanswered = 0;
};

// When nobody can answer (no dialog could be made, or the program is quitting): the cancel-like button, else
// Abort, which ends a question that Retry would only pose again, else the default button.
int UnansweredResult(std::uint16_t buttons) {
    if (int cancel = CancelMessageResult(buttons)) return cancel;
    for (const TMessageButtonFace& b : MessageButtons(buttons))
        if (b.Bit == kButtonAbort) return b.Result;
    return DefaultMessageResult(buttons);
}

LPCSTR IconOf(int kind) {
    switch (kind) {
    case kMessageWarning:
        return IDI_WARNING;
    case kMessageError:
        return IDI_ERROR;
    case kMessageInformation:
        return IDI_INFORMATION;
    default:
        return IDI_QUESTION;
    }
}

UINT BeepOf(int kind) {
    switch (kind) {
    case kMessageWarning:
        return MB_ICONEXCLAMATION;
    case kMessageError:
        return MB_ICONHAND;
    case kMessageInformation:
        return MB_ICONASTERISK;
    default:
        return MB_ICONQUESTION;
    }
}

LRESULT MessageDialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<TDialogState*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!state) return DefDlgProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        HWND from = reinterpret_cast<HWND>(lParam);
        // Esc arrives as IDCANCEL from no button when the set has no Cancel button; with no cancel-like
        // button (abandon, retry or ignore) it answers nothing.
        if (!from && id == IDCANCEL) id = state->Cancel;
        if (from && HIWORD(wParam) != BN_CLICKED) return 0;
        if (id) state->Result = id;
        return 0;
    }
    case WM_CLOSE:
        if (state->Cancel) state->Result = state->Cancel;
        return 0;
    default:
        return DefDlgProcA(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK MessageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return win32ui::Guarded(window, 0, [&] { return MessageDialogMessage(window, message, wParam, lParam); });
}

void RegisterMessageClass() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = MessageProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMessageClass;
    win32::RegisterClassOnce(wc);
}

SIZE TextBox(HDC dc, const std::string& text, int maxWidth) {
    RECT r{0, 0, maxWidth, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    return SIZE{r.right, r.bottom};
}

SIZE CaptionSize(HDC dc, std::string_view caption) {
    RECT r{0, 0, 0, 0};
    DrawTextA(dc, caption.data(), static_cast<int>(caption.size()), &r, DT_CALCRECT | DT_SINGLELINE);
    return SIZE{r.right, r.bottom};
}

struct TDialogLayout {
    SIZE Client{};
    RECT Icon{};
    RECT Text{};
    std::vector<RECT> Buttons;
};

TDialogLayout LayOut(HFONT font, int dpi, const std::string& text,
                     const std::vector<TMessageButtonFace>& buttons) {
    auto s = [dpi](int v) { return MulDiv(v, dpi, 96); };
    win32ui::UniqueMemoryDc memory(nullptr);
    HDC dc = memory.Get();
    win32ui::SelectedObject selected(dc, font);
    TDialogLayout layout;
    const int margin = s(11), iconSize = s(32);
    layout.Icon = RECT{margin, margin, margin + iconSize, margin + iconSize};
    int textLeft = margin + iconSize + s(12);
    int maxWidth = std::min(s(540), GetSystemMetrics(SM_CXSCREEN) * 3 / 4);
    SIZE textSize = TextBox(dc, text, maxWidth);
    int textTop = textSize.cy < iconSize ? margin + (iconSize - textSize.cy) / 2 : margin;
    layout.Text = RECT{textLeft, textTop, textLeft + textSize.cx, textTop + textSize.cy};
    int buttonHeight = s(23), gap = s(6), total = 0;
    std::vector<int> widths;
    for (const auto& b : buttons) {
        widths.push_back(std::max<int>(s(75), CaptionSize(dc, b.Caption).cx + s(16)));
        total += widths.back();
    }
    total += gap * static_cast<int>(buttons.empty() ? 0 : buttons.size() - 1);
    int width = std::max<int>(layout.Text.right + margin, total + 2 * margin);
    int top = std::max<int>(layout.Text.bottom, layout.Icon.bottom) + s(14);
    int left = (width - total) / 2;
    for (int w : widths) {
        layout.Buttons.push_back(RECT{left, top, left + w, top + buttonHeight});
        left += w + gap;
    }
    layout.Client = SIZE{width, top + buttonHeight + margin};
    return layout;
}

// The frame the system draws can differ from the computed one (another resolution than the system's):
// the client area is what must come out as laid out.
void FitClientArea(HWND dialog, SIZE client) {
    RECT window, now;
    if (!GetWindowRect(dialog, &window) || !GetClientRect(dialog, &now)) return;
    int width = window.right - window.left + client.cx - now.right;
    int height = window.bottom - window.top + client.cy - now.bottom;
    SetWindowPos(dialog, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Centre(HWND dialog, HWND over) {
    RECT mine, area;
    GetWindowRect(dialog, &mine);
    if (over && IsWindowVisible(over))
        GetWindowRect(over, &area);
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    int w = mine.right - mine.left, h = mine.bottom - mine.top;
    SetWindowPos(dialog, nullptr, area.left + (area.right - area.left - w) / 2,
                 area.top + (area.bottom - area.top - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND MakeChild(HWND parent, const char* cls, const char* text, DWORD style, const RECT& r, int id,
               HFONT font) {
    HWND w = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleA(nullptr), nullptr);
    SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return w;
}

int RunDialog(HWND dialog, TDialogState& state, HWND owner, HWND focus) {
    bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    if (focus) SetFocus(focus);
    MSG msg;
    bool quit = false;
    while (!state.Result) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            quit = true;
            state.Result = state.Unanswered;
            break;
        }
        if (IsDialogMessageA(dialog, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    // The owner gets the activation back before the dialog goes, so no other program comes forward.
    if (owner) SetActiveWindow(owner);
    if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
    return state.Result;
}

} // namespace

int ShowWizardMessage(TForm* owner, const std::string& text, int kind, std::uint16_t buttons) {
    std::vector<TMessageButtonFace> shown = MessageButtons(buttons);
    std::erase_if(shown, [](const TMessageButtonFace& b) { return b.Result == 0; });
    if (shown.empty()) return 0;
    RegisterMessageClass();
    HWND ownerWindow = owner ? win32ui::Hwnd(*owner) : GetActiveWindow();
    int dpi = ownerWindow ? win32ui::WindowDpi(ownerWindow) : win32ui::SystemDpi();
    win32ui::UniqueFont ownFont = win32ui::CreateScaledFont(DefaultFont(), dpi);
    HFONT font = ownFont.Get();
    TDialogLayout layout = LayOut(font, dpi, text, shown);

    TDialogState state;
    state.Default = DefaultMessageResult(buttons);
    state.Cancel = CancelMessageResult(buttons);
    state.Unanswered = UnansweredResult(buttons);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | (ownerWindow ? 0 : WS_EX_APPWINDOW);
    RECT frame{0, 0, layout.Client.cx, layout.Client.cy};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    // Where it will stand, so that it is created on the monitor it belongs to.
    RECT area;
    if (ownerWindow && IsWindowVisible(ownerWindow))
        GetWindowRect(ownerWindow, &area);
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    const int frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
    std::string title(MessageTitle(kind));
    HWND dialog = CreateWindowExA(exStyle, kMessageClass, title.c_str(), style,
                                  area.left + (area.right - area.left - frameWidth) / 2,
                                  area.top + (area.bottom - area.top - frameHeight) / 2, frameWidth,
                                  frameHeight, ownerWindow, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!dialog) return state.Unanswered;
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
    FitClientArea(dialog, layout.Client);
    if (!state.Cancel) EnableMenuItem(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);

    HWND icon = MakeChild(dialog, "STATIC", nullptr, SS_ICON, layout.Icon, 0xFFFF, font);
    auto iconHandle =
        static_cast<HICON>(LoadImageA(nullptr, IconOf(kind), IMAGE_ICON, layout.Icon.right - layout.Icon.left,
                                      layout.Icon.bottom - layout.Icon.top, LR_SHARED));
    SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(iconHandle), 0);
    MakeChild(dialog, "STATIC", text.c_str(), SS_LEFT | SS_NOPREFIX, layout.Text, 0xFFFF, font);
    HWND focus = nullptr;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        std::string caption(shown[i].Caption);
        bool isDefault = shown[i].Result == state.Default;
        HWND b =
            MakeChild(dialog, "BUTTON", caption.c_str(),
                      WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | (i == 0 ? WS_GROUP : 0),
                      layout.Buttons[i], shown[i].Result, font);
        if (isDefault) focus = b;
    }
    SendMessageA(dialog, DM_SETDEFID, static_cast<WPARAM>(state.Default), 0);
    Centre(dialog, ownerWindow);
    MessageBeep(BeepOf(kind));
    int result = RunDialog(dialog, state, ownerWindow, focus);
    // The window goes before its font.
    DestroyWindow(dialog);
    return result;
}

} // namespace ulv
