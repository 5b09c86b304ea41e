// The form's window, the one window that holds controls: notifications reflected to them, painting of the
// containers it draws, colours of static controls, timers, resolution changes and the modal loop.
#include "platform/ui/Backend.h"
#include "platform/win32/StartupTrace.h"
#include "platform/win32/ui/Win32Ui.h"

namespace ulv::win32ui {
namespace {

constexpr UINT kWmDpiChanged = 0x02E0;
// Posted to the form once it is on the screen, and again after each control that waited is created: the
// window answers between two controls, and all are created before any input is taken (posted messages come
// first).
constexpr UINT kWmCreateWaiting = WM_APP;
// A thread message: it needs no window, so a wake may come before the form's window exists.
constexpr UINT kWmWake = WM_APP + 1;

void Command(TControl& c, WORD code) {
    HWND w = Hwnd(c);
    switch (c.Kind()) {
    case TControlKind::Button:
        if (code == BN_CLICKED) static_cast<TButton&>(c).Click();
        break;
    case TControlKind::CheckBox:
        if (code == BN_CLICKED)
            static_cast<TCheckBox&>(c).UserSetChecked(SendMessageA(w, BM_GETCHECK, 0, 0) == BST_CHECKED);
        break;
    case TControlKind::Edit:
        if (code == EN_CHANGE && !DataOf(c).Syncing) {
            int length = GetWindowTextLengthA(w);
            std::string text(static_cast<std::size_t>(length) + 1, '\0');
            text.resize(static_cast<std::size_t>(GetWindowTextA(w, text.data(), length + 1)));
            static_cast<TEdit&>(c).UserSetText(std::move(text));
        }
        break;
    case TControlKind::ListBox:
    case TControlKind::CheckListBox:
        if (code == LBN_SELCHANGE && !DataOf(c).Syncing)
            static_cast<TCustomList&>(c).UserSelect(static_cast<int>(SendMessageA(w, LB_GETCURSEL, 0, 0)));
        break;
    case TControlKind::ComboBox:
        if (code == CBN_SELCHANGE && !DataOf(c).Syncing)
            static_cast<TCustomList&>(c).UserSelect(static_cast<int>(SendMessageA(w, CB_GETCURSEL, 0, 0)));
        break;
    default:
        break;
    }
}

LRESULT StaticColours(HDC dc, HWND child) {
    TControl* c = ControlOf(child);
    if (!c) return 0;
    TFormData& data = DataOf(*c);
    if (c->Kind() == TControlKind::Memo || c->Kind() == TControlKind::Edit) {
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    TColor background = BackgroundOf(*c);
    TColor text = c->Font().Color;
    SetTextColor(dc, text == kColorDefault ? GetSysColor(COLOR_BTNTEXT) : ToColorRef(text));
    SetBkColor(dc, ToColorRef(background));
    return reinterpret_cast<LRESULT>(data.Brush(background));
}

void PaintForm(HWND window, TControl& c) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT r;
    GetClientRect(window, &r);
    DrawContainerFace(dc, c, r);
    DrawGraphicChildren(dc, c);
    EndPaint(window, &ps);
}

void RestoreFocus(TForm& form) {
    HWND last = DataOf(form).LastFocus;
    if (last && IsChild(Hwnd(form), last) && IsWindowVisible(last) && IsWindowEnabled(last)) {
        ::SetFocus(last);
        return;
    }
    if (!form.Focused()) form.FocusFirst();
}

bool FormMessage(TForm& form, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_CLOSE:
        form.Close();
        return true;
    case WM_TIMER:
        form.TimerTick(static_cast<unsigned>(wParam));
        return true;
    case WM_ACTIVATEAPP:
        if (form.OnActivateApp) form.OnActivateApp(form, wParam != 0);
        return false;
    case WM_ACTIVATE:
        // The focus goes back where it was when the window is activated again, as in dialogs; the
        // default processing would give it to the window itself.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(Hwnd(form), focus)) DataOf(form).LastFocus = focus;
            return false;
        }
        RestoreFocus(form);
        result = 0;
        return true;
    case WM_SETFOCUS:
        RestoreFocus(form);
        return true;
    case kWmCreateWaiting:
        if (form.CreateNextWaiting())
            PostMessageA(Hwnd(form), kWmCreateWaiting, 0, 0);
        else
            SetFormIcons(form);
        return true;
    case kWmDpiChanged:
        RescaleForm(form, LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        result = 0;
        return true;
    default:
        return false;
    }
}

} // namespace

LRESULT FormWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TControl* self = ControlOf(window);
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_COMMAND:
        if (TControl* child = ControlOf(reinterpret_cast<HWND>(lParam))) Command(*child, HIWORD(wParam));
        return 0;
    case WM_DRAWITEM:
        if (DrawListItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        TControl* list = ControlOf(GetDlgItem(window, static_cast<int>(item->CtlID)));
        if (!list) list = CreatingControl();
        if (list && list->Id == static_cast<int>(item->CtlID)) {
            item->itemHeight =
                static_cast<UINT>(DataOf(*list).Scale(static_cast<TCustomList*>(list)->ItemHeight));
            return TRUE;
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return StaticColours(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        PaintForm(window, *self);
        return 0;
    default:
        break;
    }
    if (self->Kind() == TControlKind::Form) {
        LRESULT result = 0;
        if (FormMessage(static_cast<TForm&>(*self), message, wParam, lParam, result)) return result;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded(window, 0, [&] { return FormWindowMessage(window, message, wParam, lParam); });
}

bool PreTranslateFormKey(TForm& form, const MSG& msg) {
    HWND w = Hwnd(form);
    if (msg.hwnd != w && !IsChild(w, msg.hwnd)) return false;
    if (msg.message == WM_KEYDOWN) {
        int key = static_cast<int>(msg.wParam);
        if (key != VK_TAB && key != VK_RETURN && key != VK_ESCAPE) return false;
        TControl* focus = ControlOf(msg.hwnd);
        // An open drop-down list takes its own Enter and Esc.
        if (focus && focus->Kind() == TControlKind::ComboBox && key != VK_TAB &&
            SendMessageA(msg.hwnd, CB_GETDROPPEDSTATE, 0, 0))
            return false;
        return form.KeyDown(key, GetKeyState(VK_SHIFT) < 0);
    }
    if (msg.message == WM_SYSCHAR) return form.Accelerator(AcceleratorLetter(static_cast<char>(msg.wParam)));
    // Their characters were taken with the key press above.
    if (msg.message == WM_CHAR && (msg.wParam == '\t' || msg.wParam == '\r' || msg.wParam == 0x1B))
        return true;
    return false;
}

// The loop's own calls (the close question, the form's keys) have the edge the window procedures have: a
// failure in them is reported and ends the window as one in a click does, and the owner stores what it
// stores after an abandon.
template <typename Call> bool GuardedCall(HWND window, Call&& call) {
    return Guarded(window, TRUE, [&] { return call() ? TRUE : FALSE; }) != FALSE;
}

} // namespace ulv::win32ui

namespace ulv::backend {

using namespace win32ui;

std::function<void()> Waker(TForm&) {
    const DWORD thread = GetCurrentThreadId();
    return [thread] { (void)PostThreadMessageA(thread, kWmWake, 0, 0); };
}

void RunModal(TForm& form) {
    HWND w = Hwnd(form);
    if (!w) {
        form.SetModalResult(kModalResultCancel);
        return;
    }
    HWND owner = GetWindow(w, GW_OWNER);
    bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    ApplyOverlapRegions(form);
    ShowWindow(w, SW_SHOW);
    SetForegroundWindow(w);
    if (!form.Focused()) form.FocusFirst();
    win32::TraceStartup("shown");
    // The whole window is drawn before the first message is taken: it never shows half painted.
    RedrawWindow(w, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    win32::TraceStartup("painted");
    win32::WriteStartupTrace();
    PostMessageA(w, kWmCreateWaiting, 0, 0);
    bool quit = false;
    MSG msg;
    while (!GuardedCall(w, [&form] { return form.ConfirmModalResult(); })) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            quit = true;
            form.SetModalResult(kModalResultCancel);
            break;
        }
        if (!msg.hwnd && msg.message == kWmWake) {
            (void)GuardedCall(w, [&form] {
                if (form.OnWake) form.OnWake(form);
                return false;
            });
            continue;
        }
        if (GuardedCall(w, [&form, &msg] { return PreTranslateFormKey(form, msg); })) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    ShowWindow(w, SW_HIDE);
    if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
}

} // namespace ulv::backend
