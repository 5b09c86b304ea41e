// Real Win32 controls for the widget layer: creation, placement and the mirror of each state change.
#include "platform/ui/Backend.h"
#include "platform/ui/Form.h"
#include "platform/win32/CommonControls.h"
#include "platform/win32/WindowClass.h"
#include "platform/win32/ui/Win32Ui.h"
#include "resources/ResConst.h"

#include <commctrl.h>

namespace ulv::win32ui {
namespace {

constexpr const char* kFormClass = "UlvaraForm";

// The control being created: owner-drawn lists ask their parent for item heights before CreateWindowEx
// returns.
thread_local TControl* gCreating = nullptr;

// Here rather than at the program's start: comctl32 takes a while to load, and the program has other work to
// do on another thread meanwhile. Loading it on a thread of its own does not pay: the loading holds the
// loader's lock, which the window's creation and the wizard's resources wait for.
void LoadCommonControls() {
    [[maybe_unused]] static const bool loaded = win32::InitCommonControls();
}

// The form's icon is its class's: the window has it from its creation on, which spares the system a
// conversion of the default icon and of each one set later. WM_SETICON follows once the controls that wait
// for the drawn window are made (SetFormIcons), so that asking the window for its icons answers too.
void RegisterFormClass(HICON icon) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = FormProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = icon;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    win32::RegisterClassOnce(wc);
}

struct TWindowStyle {
    const char* Class;
    DWORD Style;
    DWORD ExStyle;
};

DWORD LabelStyle(const TLabel& label) {
    if (label.Alignment == TAlignment::Right) return SS_RIGHT;
    return label.AutoSize() ? SS_LEFTNOWORDWRAP : SS_LEFT;
}

TWindowStyle StyleOf(TControl& c) {
    constexpr DWORD kChild = WS_CHILD | WS_CLIPSIBLINGS;
    switch (c.Kind()) {
    case TControlKind::Label:
        return {"STATIC", kChild | LabelStyle(static_cast<TLabel&>(c)), 0};
    case TControlKind::Memo:
        return {"EDIT", kChild | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
                WS_EX_CLIENTEDGE};
    case TControlKind::CheckBox:
        return {"BUTTON", kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0};
    case TControlKind::Edit:
        return {"EDIT", kChild | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case TControlKind::Button:
        return {"BUTTON",
                kChild | WS_TABSTOP | (static_cast<TButton&>(c).Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
                0};
    case TControlKind::ProgressBar:
        return {PROGRESS_CLASSA, kChild, 0};
    case TControlKind::CheckListBox:
    case TControlKind::ListBox:
        return {"LISTBOX",
                kChild | WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY |
                    LBS_NOINTEGRALHEIGHT,
                WS_EX_CLIENTEDGE};
    case TControlKind::ComboBox:
        return {"COMBOBOX",
                kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 0};
    case TControlKind::Form:
    case TControlKind::Panel:
    case TControlKind::PageControl:
    case TControlKind::TabSheet:
    case TControlKind::Bevel:
    case TControlKind::Image:
        break;
    }
    // Containers, lines and pictures have no window (DrawnByParent).
    return {"STATIC", kChild, 0};
}

void SyncText(TControl& c) {
    TFormData& data = DataOf(c);
    data.Syncing = true;
    SetWindowTextA(Hwnd(c), c.Caption().c_str());
    data.Syncing = false;
}

void SyncVisible(TControl& c) {
    ShowWindow(Hwnd(c), ShownInWindow(c) ? SW_SHOWNA : SW_HIDE);
}

// Each window a windowless container holds, through the windowless containers in between.
template <typename Each> void ForHeldWindows(const TControl& holder, Each each) {
    auto* container = dynamic_cast<const TWinControl*>(&holder);
    if (!container) return;
    for (TControl* c : container->Children()) {
        if (Hwnd(*c))
            each(*c);
        else if (DrawnByParent(*c))
            ForHeldWindows(*c, each);
    }
}

// The windows a windowless container holds show, hide and move with it.
void SyncHeldVisible(const TControl& holder) {
    ForHeldWindows(holder, [](TControl& c) { SyncVisible(c); });
}

void PlaceHeld(const TControl& holder) {
    ForHeldWindows(holder, [](TControl& c) { PlaceNative(c); });
}

// Where the new window goes in z-order among the other windows of its parent window, in the form's order
// of controls (depth first, as for dialog templates: Tab walks it and so do screen readers). A new child
// window is linked below its siblings: its place when none after it has a window yet. A control created
// late, when it first shows, goes below the nearest earlier one.
void PlaceInZOrder(TControl& control, HWND w) {
    HWND parent = GetParent(w), after = HWND_TOP;
    bool passed = false;
    for (TControl* c : control.Form().AllControls()) {
        if (c == &control) {
            passed = true;
            continue;
        }
        HWND other = Hwnd(*c);
        if (!other || GetParent(other) != parent) continue;
        if (passed)
            return (void)SetWindowPos(w, after, 0, 0, 0, 0,
                                      SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
        after = other;
    }
}

void SyncState(TControl& c) {
    HWND w = Hwnd(c);
    switch (c.Kind()) {
    case TControlKind::CheckBox:
        SendMessageA(w, BM_SETCHECK, static_cast<TCheckBox&>(c).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case TControlKind::ProgressBar: {
        auto& bar = static_cast<TProgressBar&>(c);
        SendMessageA(w, PBM_SETRANGE32, 0, bar.Max());
        SendMessageA(w, PBM_SETPOS, static_cast<WPARAM>(bar.Position()), 0);
        break;
    }
    case TControlKind::CheckListBox:
    case TControlKind::ListBox:
    case TControlKind::ComboBox:
        SyncListItems(static_cast<TCustomList&>(c));
        break;
    default:
        break;
    }
}

// Whether the window, or one inside it, holds the keyboard focus.
bool HasFocusWithin(HWND w) {
    HWND focus = GetFocus();
    return focus && (focus == w || IsChild(w, focus));
}

// The control a window stands for is kept in its user data: read at every message, and the window's own
// long values are read without a round trip to the system, which a property is not. No other window of the
// program uses its user data (the message dialog keeps its state in the dialog's own slot).
void SetControlOf(HWND window, TControl* control) {
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
}

void CreateFormWindow(TForm& form) {
    int dpi = SystemDpi();
    RegisterFormClass(reinterpret_cast<HICON>(form.Icon));
    auto owned = std::make_unique<TFormData>(dpi);
    TFormData* data = owned.get();
    form.Native.Data = std::move(owned);
    // Made where it will stand, at its size: placing it after would be one more round of messages.
    constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    constexpr DWORD kExStyle = WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;
    RECT frame = CentredFrame(form, dpi, kStyle, kExStyle);
    HWND w = CreateWindowExA(kExStyle, kFormClass, form.Caption().c_str(), kStyle, frame.left, frame.top,
                             frame.right - frame.left, frame.bottom - frame.top,
                             reinterpret_cast<HWND>(form.Owner), nullptr, GetModuleHandleA(nullptr), nullptr);
    form.Native.Window = reinterpret_cast<std::uintptr_t>(w);
    if (!w) return;
    SetControlOf(w, &form);
    // Placed again when the window's resolution is not the system's (another monitor's), or the frame the
    // system draws is not the computed one.
    data->Dpi = WindowDpi(w);
    if (!FormPlaced(form, dpi)) PlaceNative(form);
}

} // namespace

void SetFormIcons(TForm& form) {
    HWND w = Hwnd(form);
    if (!w || !form.Icon) return;
    SendMessageA(w, WM_SETICON, ICON_BIG, static_cast<LPARAM>(form.Icon));
    SendMessageA(w, WM_SETICON, ICON_SMALL, static_cast<LPARAM>(form.Icon));
}

TControl* ControlOf(HWND window) {
    return window ? reinterpret_cast<TControl*>(GetWindowLongPtrA(window, GWLP_USERDATA)) : nullptr;
}

// The wizard's window the failing one belongs to: itself, a control in it, or a dialog it owns.
TForm* FormOf(HWND window) {
    HWND root = GetAncestor(window, GA_ROOT);
    for (HWND w : {root, GetWindow(root, GW_OWNER)})
        if (TControl* c = ControlOf(w); c && c->Kind() == TControlKind::Form) return static_cast<TForm*>(c);
    return nullptr;
}

// Once per window: the message box's own loop may run into the same failure again.
void ReportUnexpectedFailure(HWND window) noexcept {
    try {
        TForm* form = FormOf(window);
        if (form && form->Native.Data) {
            if (DataOf(*form).FailureReported) return;
            DataOf(*form).FailureReported = true;
        }
        std::string text(kUnexpectedFailureText), title(kAppTitle);
        if (!form || !form->OnUnexpectedFailure || form->OnUnexpectedFailure(*form))
            MessageBoxA(form ? Hwnd(*form) : nullptr, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
        // The entry then stores what it stores after an abandon, the worker being stopped first.
        if (form) form->Abandon(kModalResultCancel);
    } catch (...) {
        // Nothing more can be done from here; the system must not see it.
    }
}

TControl* CreatingControl() {
    return gCreating;
}

} // namespace ulv::win32ui

namespace ulv::backend {

using namespace win32ui;

void CreateNative(TControl& control) {
    LoadCommonControls();
    if (control.Kind() == TControlKind::Form) return CreateFormWindow(static_cast<TForm&>(control));
    if (!control.Form().Native.Data) return;
    if (DrawnByParent(control)) return RedrawGraphic(control);
    // Without the parent's window there is nothing to put the control in.
    HWND parent = WindowOf(*control.Parent());
    if (!parent) return;
    TWindowStyle window = StyleOf(control);
    TFormData& data = DataOf(control);
    // Made where it stands, at its size, shown or hidden and enabled or not: each change after creation
    // would be one more round of messages.
    SIZE size = NativeSize(control);
    POINT at = PlaceInWindow(control);
    DWORD style =
        window.Style | (ShownInWindow(control) ? WS_VISIBLE : 0) | (control.Enabled() ? 0 : WS_DISABLED);
    gCreating = &control;
    HWND w = CreateWindowExA(
        window.ExStyle, window.Class, control.Caption().c_str(), style, at.x, at.y, size.cx, size.cy, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.Id)), GetModuleHandleA(nullptr), nullptr);
    gCreating = nullptr;
    control.Native.Window = reinterpret_cast<std::uintptr_t>(w);
    if (!w) return;
    SetControlOf(w, &control);
    PlaceInZOrder(control, w);
    SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(data.Font(control.Font())), FALSE);
    if (control.Kind() == TControlKind::CheckListBox) SubclassCheckList(static_cast<TCustomList&>(control));
    if (control.Kind() == TControlKind::CheckListBox || control.Kind() == TControlKind::ListBox ||
        control.Kind() == TControlKind::ComboBox)
        ApplyItemHeight(static_cast<TCustomList&>(control));
    SyncState(control);
    // While the form is hidden, its regions wait for all its first controls (RunModal sets them).
    if (IsWindowVisible(Hwnd(control.Form())) && OverlapsShownControl(control))
        ApplyOverlapRegions(*control.Parent());
}

void DestroyNative(TControl& control) {
    HWND w = Hwnd(control);
    control.Native.Window = 0;
    if (w) {
        SetControlOf(w, nullptr);
        DestroyWindow(w);
    }
    // The form's fonts and brushes go once its windows are gone.
    if (control.Kind() == TControlKind::Form) control.Native.Data.reset();
}

void Sync(TControl& control, TChange change) {
    if (DrawnByParent(control)) {
        if (change == TChange::Bounds || change == TChange::Visible || change == TChange::Picture ||
            change == TChange::Color)
            RedrawGraphic(control);
        // The windows a container holds follow it; windowed siblings it lies on leave its place to it.
        if (change == TChange::Bounds) PlaceHeld(control);
        if (change == TChange::Visible) SyncHeldVisible(control);
        if ((change == TChange::Bounds || change == TChange::Visible) && control.Parent())
            ApplyOverlapRegions(*control.Parent());
        return;
    }
    if (!Hwnd(control)) return;
    switch (change) {
    case TChange::Bounds:
        PlaceNative(control);
        if (control.Parent()) ApplyOverlapRegions(*control.Parent());
        break;
    case TChange::Caption:
        SyncText(control);
        // Auto-sized labels follow their text; wrapped ones may need to grow for it.
        if (control.Kind() == TControlKind::Label) PlaceNative(control);
        break;
    case TChange::Visible:
        SyncVisible(control);
        if (control.Parent()) ApplyOverlapRegions(*control.Parent());
        break;
    case TChange::Enabled:
        EnableWindow(Hwnd(control), control.Enabled());
        break;
    case TChange::ItemAdded:
        InsertListItem(static_cast<TCustomList&>(control));
        break;
    case TChange::Font:
        SendMessageA(Hwnd(control), WM_SETFONT,
                     reinterpret_cast<WPARAM>(DataOf(control).Font(control.Font())), TRUE);
        break;
    case TChange::Color:
    case TChange::Picture:
        InvalidateRect(Hwnd(control), nullptr, TRUE);
        break;
    case TChange::ItemState: {
        InvalidateRect(Hwnd(control), nullptr, TRUE);
        auto& list = static_cast<TCheckListBox&>(control);
        NotifyCheckStateChanged(list, list.ChangedItem());
        break;
    }
    case TChange::ItemIndex:
        SyncListSelection(static_cast<TCustomList&>(control));
        break;
    case TChange::Checked:
    case TChange::Items:
    case TChange::Range:
    case TChange::Position:
        SyncState(control);
        break;
    case TChange::ActivePage:
        break;
    }
}

void SetFocus(TControl& control) {
    HWND w = Hwnd(control);
    if (!w) return;
    ::SetFocus(w);
    // As in dialogs: an edit given the focus has its whole text selected, so typing replaces it.
    if (control.Kind() == TControlKind::Edit) SendMessageA(w, EM_SETSEL, 0, -1);
}

void ClearFocus(TForm& form) {
    // The window itself keeps the keys, so Tab and Esc still work.
    // Only while the window is the active one: the focus never pulls it in front of another program.
    HWND w = Hwnd(form);
    HWND focus = GetFocus();
    if (w && GetActiveWindow() == w && focus != w && (!focus || HasFocusWithin(w))) ::SetFocus(w);
}

TControl* Focused(const TForm& form) {
    for (HWND w = GetFocus(); w && w != Hwnd(form); w = GetParent(w))
        if (TControl* c = ControlOf(w)) return &c->Form() == &form ? c : nullptr;
    return nullptr;
}

void StartTimer(TForm& form, unsigned id, unsigned milliseconds) {
    if (HWND w = Hwnd(form)) SetTimer(w, id, milliseconds, nullptr);
}

void StopTimer(TForm& form, unsigned id) {
    if (HWND w = Hwnd(form)) KillTimer(w, id);
}

void SetWaitCursor() {
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
}

} // namespace ulv::backend
