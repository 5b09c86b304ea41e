// Owner-drawn list boxes, drop-down lists and the check list. Item texts are kept in the controls
// (LBS_HASSTRINGS / CBS_HASSTRINGS), so screen readers read them; drawing goes through the program's
// OnDrawItem on a canvas over the item's device context.
#include "platform/ui/ListItemPaint.h"
#include "platform/win32/ui/Win32Ui.h"

namespace ulv::win32ui {
namespace {

constexpr const char* kOldProcProp = "UlvaraOldProc";

bool IsCombo(const TControl& c) {
    return c.Kind() == TControlKind::ComboBox;
}

class TDcCanvas final : public TCanvas {
public:
    TDcCanvas(HDC dc, TFormData& data, TColor brush, TColor font)
        : Dc(dc), Data(data), Brush(brush), Font(font) {
        SetBkMode(Dc, TRANSPARENT);
        SetTextColor(Dc, ToColorRef(Font));
    }
    void SetBrushColor(TColor color) override { Brush = color; }
    [[nodiscard]] TColor BrushColor() const override { return Brush; }
    void SetFontColor(TColor color) override {
        Font = color;
        SetTextColor(Dc, ToColorRef(color));
    }
    [[nodiscard]] TColor FontColor() const override { return Font; }
    void FillRect(const TRect& r) override {
        RECT rect{r.Left, r.Top, r.Right, r.Bottom};
        ::FillRect(Dc, &rect, Data.Brush(Brush));
    }
    void TextOut(int x, int y, const std::string& text) override {
        TextOutA(Dc, x, y, text.c_str(), static_cast<int>(text.size()));
    }
    [[nodiscard]] TSize TextExtent(const std::string& text) override {
        SIZE size{0, 0};
        GetTextExtentPoint32A(Dc, text.c_str(), static_cast<int>(text.size()), &size);
        return TSize{static_cast<int>(size.cx), static_cast<int>(size.cy)};
    }
    void DrawText(const std::string& text, const TRect& r, unsigned flags) override {
        RECT rect{r.Left, r.Top, r.Right, r.Bottom};
        DrawTextA(Dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
    }
    void DrawTransparent(const TBitmapImage& picture, int x, int y) override {
        DrawKeyed(Dc, picture, x, y, Data.Scale(picture.Width), Data.Scale(picture.Height));
    }
    [[nodiscard]] int Dpi() const override { return Data.Dpi; }

private:
    HDC Dc;
    TFormData& Data;
    TColor Brush;
    TColor Font;
};

void DrawCheckBox(HDC dc, TFormData& data, const RECT& item, TCheckState state, bool enabled) {
    int size = data.Scale(13);
    int left = item.left + data.Scale(2);
    int top = item.top + (item.bottom - item.top - size) / 2;
    RECT box{left, top, left + size, top + size};
    UINT flags = DFCS_BUTTONCHECK | DFCS_FLAT;
    if (state == TCheckState::Checked) flags |= DFCS_CHECKED;
    if (state == TCheckState::Grayed) flags |= DFCS_BUTTON3STATE | DFCS_CHECKED;
    if (!enabled) flags |= DFCS_INACTIVE;
    DrawFrameControl(dc, &box, DFC_BUTTON, flags);
}

LRESULT CheckListMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto old = reinterpret_cast<WNDPROC>(GetPropA(window, kOldProcProp));
    auto* list = static_cast<TCheckListBox*>(ControlOf(window));
    if (!old) return DefWindowProcA(window, message, wParam, lParam);
    if (!list) return CallWindowProcA(old, window, message, wParam, lParam);
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        LRESULT result = CallWindowProcA(old, window, message, wParam, lParam);
        LRESULT hit = SendMessageA(window, LB_ITEMFROMPOINT, 0, lParam);
        if (HIWORD(hit)) return result;
        // The box column as it is drawn, in device pixels.
        int x = static_cast<short>(LOWORD(lParam));
        list->UserClickAt(LOWORD(hit), x >= 0 && x < DataOf(*list).Scale(TCheckListBox::kCheckColumn));
        return result;
    }
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            list->UserSpace();
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == ' ') return 0;
        break;
    case WM_GETOBJECT:
        // Before the list answers: the proxy it gives reads the annotations as it is made.
        AnswerAccessibilityRequest(*list);
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        RemovePropA(window, kOldProcProp);
        return CallWindowProcA(old, window, message, wParam, lParam);
    default:
        break;
    }
    return CallWindowProcA(old, window, message, wParam, lParam);
}

LRESULT CALLBACK CheckListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded(window, 0, [&] { return CheckListMessage(window, message, wParam, lParam); });
}

} // namespace

void SyncListItems(TCustomList& list) {
    HWND w = Hwnd(list);
    TFormData& data = DataOf(list);
    data.Syncing = true;
    SendMessageA(w, WM_SETREDRAW, FALSE, 0);
    SendMessageA(w, IsCombo(list) ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
    for (const TListItem& item : list.Items())
        SendMessageA(w, IsCombo(list) ? CB_ADDSTRING : LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(item.Text.c_str()));
    SendMessageA(w, IsCombo(list) ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(list.ItemIndex()), 0);
    SendMessageA(w, WM_SETREDRAW, TRUE, 0);
    data.Syncing = false;
    InvalidateRect(w, nullptr, TRUE);
    if (list.Kind() == TControlKind::CheckListBox) AnnotateCheckStates(static_cast<TCheckListBox&>(list));
}

void InsertListItem(TCustomList& list) {
    HWND w = Hwnd(list);
    TFormData& data = DataOf(list);
    int index = list.ChangedItem();
    if (index < 0 || index >= list.Count()) return SyncListItems(list);
    data.Syncing = true;
    const std::string& text = list.Items()[static_cast<std::size_t>(index)].Text;
    SendMessageA(w, IsCombo(list) ? CB_INSERTSTRING : LB_INSERTSTRING, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.c_str()));
    // An insertion before the selected item moves the selection with it, as in the model.
    SendMessageA(w, IsCombo(list) ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(list.ItemIndex()), 0);
    data.Syncing = false;
    if (list.Kind() == TControlKind::CheckListBox) AnnotateCheckStates(static_cast<TCheckListBox&>(list));
}

void SyncListSelection(TCustomList& list) {
    TFormData& data = DataOf(list);
    data.Syncing = true;
    SendMessageA(Hwnd(list), IsCombo(list) ? CB_SETCURSEL : LB_SETCURSEL,
                 static_cast<WPARAM>(list.ItemIndex()), 0);
    data.Syncing = false;
}

void ApplyItemHeight(TCustomList& list) {
    TFormData& data = DataOf(list);
    int height = data.Scale(list.ItemHeight);
    if (IsCombo(list)) {
        // The closed box is as high as the layout says: its selection field is that less the frame, whose
        // thickness the control decides (it does not always scale with the resolution), so it is measured.
        HWND w = Hwnd(list);
        const int target = data.Scale(list.Bounds().Height);
        int field = std::max(1, target - 6);
        SendMessageA(w, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
        RECT closed;
        if (GetWindowRect(w, &closed) && closed.bottom - closed.top != target && closed.bottom > closed.top) {
            field = std::max(1, field + target - static_cast<int>(closed.bottom - closed.top));
            SendMessageA(w, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
        }
        SendMessageA(w, CB_SETITEMHEIGHT, 0, height);
    } else {
        SendMessageA(Hwnd(list), LB_SETITEMHEIGHT, 0, height);
    }
}

bool DrawListItem(const DRAWITEMSTRUCT& item) {
    auto* control = ControlOf(item.hwndItem);
    if (!control || (item.CtlType != ODT_LISTBOX && item.CtlType != ODT_COMBOBOX)) return false;
    auto& list = *static_cast<TCustomList*>(control);
    TFormData& data = DataOf(list);
    int index = static_cast<int>(item.itemID);
    RECT whole = item.rcItem;
    TOwnerDrawState state{(item.itemState & ODS_SELECTED) != 0, (item.itemState & ODS_FOCUS) != 0,
                          (item.itemState & ODS_DISABLED) != 0 || !list.EffectivelyEnabled()};
    bool check = list.Kind() == TControlKind::CheckListBox;
    TListItemPaint paint = ListItemPaint({whole.left, whole.top, whole.right, whole.bottom},
                                         check ? data.Scale(TCheckListBox::kCheckColumn) : 0, state);
    if (check) {
        RECT column{paint.CheckColumn.Left, paint.CheckColumn.Top, paint.CheckColumn.Right,
                    paint.CheckColumn.Bottom};
        FillRect(item.hDC, &column, GetSysColorBrush(COLOR_WINDOW));
        if (index >= 0)
            DrawCheckBox(item.hDC, data, column, static_cast<TCheckListBox&>(list).State(index),
                         !state.Disabled);
    }
    SelectedObject selectedFont(item.hDC, data.Font(list.Font()));
    TDcCanvas canvas(item.hDC, data, paint.Brush, paint.FontColor);
    TRect rect = paint.TextArea;
    if (index >= 0 && index < list.Count()) {
        if (list.OnDrawItem) {
            list.OnDrawItem(list, index, canvas, rect, state);
        } else {
            canvas.FillRect(rect);
            canvas.TextOut(rect.Left + data.Scale(2), rect.Top,
                           list.Items()[static_cast<std::size_t>(index)].Text);
        }
    } else {
        canvas.FillRect(rect);
    }
    if (state.Focused && !(item.itemState & ODS_NOFOCUSRECT)) DrawFocusRect(item.hDC, &whole);
    return true;
}

void SubclassCheckList(TCustomList& list) {
    HWND w = Hwnd(list);
    SetPropA(w, kOldProcProp, reinterpret_cast<HANDLE>(GetWindowLongPtrA(w, GWLP_WNDPROC)));
    SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CheckListProc));
}

} // namespace ulv::win32ui
