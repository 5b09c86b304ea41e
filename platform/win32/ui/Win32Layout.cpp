// Placement at the window's resolution: the layout is in 96-dpi pixels and scaled here.
#include "platform/win32/ui/Win32Ui.h"

#include <vector>

namespace ulv::win32ui {
namespace {

using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

AdjustForDpiFn AdjustForDpi() {
    static auto fn = reinterpret_cast<AdjustForDpiFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi")));
    return fn;
}

// Room for the drop-down part of a drive list, in items.
constexpr int kDropDownItems = 8;

// One line (wrapWidth 0) or wrapped at word boundaries within wrapWidth, as the static control draws it.
// Measured on the parent's device context: the control may not exist yet (it is created at its size).
SIZE MeasureNative(TControl& control, const std::string& text, int wrapWidth = 0) {
    WindowDc dc(WindowOf(*control.Parent()));
    return MeasureText(dc.Get(), DataOf(control).Font(control.Font()), text, wrapWidth);
}

// The window's frame for the form's client area at the resolution.
SIZE FrameSize(const TForm& form, int dpi, DWORD style, DWORD exStyle) {
    RECT r{0, 0, ScaleTo(form.ClientWidth(), dpi), ScaleTo(form.ClientHeight(), dpi)};
    if (AdjustForDpiFn adjust = AdjustForDpi())
        adjust(&r, style, FALSE, exStyle, static_cast<UINT>(dpi));
    else
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

RECT Centred(SIZE size, HMONITOR monitor) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoA(monitor, &info)) area = info.rcWork;
    int left = area.left + (area.right - area.left - size.cx) / 2;
    int top = area.top + (area.bottom - area.top - size.cy) / 2;
    return RECT{left, top, left + size.cx, top + size.cy};
}

// Whether the client area has the form's size at the window's resolution.
bool ClientFits(TForm& form, const RECT& client) {
    TFormData& data = DataOf(form);
    return client.right == data.Scale(form.ClientWidth()) && client.bottom == data.Scale(form.ClientHeight());
}

void PlaceForm(TForm& form) {
    TFormData& data = DataOf(form);
    HWND w = Hwnd(form);
    DWORD style = static_cast<DWORD>(GetWindowLongPtrA(w, GWL_STYLE));
    DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(w, GWL_EXSTYLE));
    SIZE size = FrameSize(form, data.Dpi, style, exStyle);
    HMONITOR monitor = MonitorFromWindow(w, MONITOR_DEFAULTTOPRIMARY);
    auto place = [w, monitor](SIZE frame) {
        RECT r = Centred(frame, monitor);
        SetWindowPos(w, nullptr, r.left, r.top, frame.cx, frame.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    place(size);
    // The frame the system really draws may differ from the computed one (a frame not scaled with the
    // resolution): the client area is what must come out exact.
    RECT client;
    if (GetClientRect(w, &client) && !ClientFits(form, client)) {
        size.cx += data.Scale(form.ClientWidth()) - static_cast<int>(client.right);
        size.cy += data.Scale(form.ClientHeight()) - static_cast<int>(client.bottom);
        place(size);
    }
}

// Setting a region redraws the window and goes through a round of messages: it is called for every
// sibling whenever one of them is created over another, moved or shown, and mostly nothing changes.
void SetRegion(HWND window, UniqueRegion region) {
    UniqueRegion current(CreateRectRgn(0, 0, 0, 0));
    int kind = GetWindowRgn(window, current.Get());
    bool same = region ? kind != ERROR && EqualRgn(current.Get(), region.Get()) : kind == ERROR;
    if (same) return;
    // The system owns the region once set.
    SetWindowRgn(window, region.Release(), TRUE);
}

} // namespace

RECT CentredFrame(const TForm& form, int dpi, DWORD style, DWORD exStyle) {
    return Centred(FrameSize(form, dpi, style, exStyle),
                   MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
}

bool FormPlaced(TForm& form, int dpi) {
    RECT client;
    return DataOf(form).Dpi == dpi && GetClientRect(Hwnd(form), &client) && ClientFits(form, client);
}

SIZE NativeSize(TControl& control) {
    TFormData& data = DataOf(control);
    const TBounds& b = control.Bounds();
    SIZE size{data.Scale(b.Width), data.Scale(b.Height)};
    if (control.Kind() == TControlKind::Label && static_cast<TLabel&>(control).AutoSize()) {
        // Measured at this resolution: scaling the 96-dpi extent could clip the text by a pixel.
        auto& label = static_cast<TLabel&>(control);
        SIZE text = MeasureNative(control, label.Caption());
        size.cx = text.cx + data.Scale(4);
        if (label.AutoHeight()) size.cy = text.cy + data.Scale(4);
    } else if (control.Kind() == TControlKind::Label && !control.Caption().empty()) {
        // A wrapped text never loses its last lines: the box grows downward when the font needs more room
        // than the layout gave (fonts differ between systems and resolutions).
        SIZE text = MeasureNative(control, control.Caption(), size.cx);
        if (text.cy > size.cy) size.cy = text.cy;
    }
    if (control.Kind() == TControlKind::ComboBox)
        size.cy += data.Scale(static_cast<TCustomList&>(control).ItemHeight) * kDropDownItems;
    return size;
}

void PlaceNative(TControl& control) {
    if (control.Kind() == TControlKind::Form) return PlaceForm(static_cast<TForm&>(control));
    SIZE size = NativeSize(control);
    POINT at = PlaceInWindow(control);
    SetWindowPos(Hwnd(control), nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool OverlapsShownControl(TControl& control) {
    if (!Hwnd(control) || !IsWindowVisible(Hwnd(control))) return false;
    RECT own = ScreenRect(control);
    const HWND window = WindowOf(*control.Parent());
    auto holds = [&control](const TControl& c) {
        for (const TControl* a = control.Parent(); a; a = a->Parent())
            if (a == &c) return true;
        return false;
    };
    for (TControl* c : control.Form().AllControls()) {
        if (c == &control || !c->Native.Made || !c->Parent() || WindowOf(*c->Parent()) != window) continue;
        if (!ShownInWindow(*c) || holds(*c)) continue;
        RECT other = ScreenRect(*c), overlap;
        if (IntersectRect(&overlap, &own, &other)) return true;
    }
    return false;
}

namespace {

// The regions of the container's windows, and of the windows its windowless panels hold: each leaves out
// what later siblings cover, and what covers the container itself from outside (covers, screen places).
void ApplyRegionsWithin(const TWinControl& container, const std::vector<RECT>& covers) {
    std::vector<std::pair<const TControl*, RECT>> children;
    for (const TControl* c : container.Children())
        if (c->Visible() && (Hwnd(*c) || (c->Native.Made && DrawnByParent(*c))))
            children.emplace_back(c, ScreenRect(*c));
    for (std::size_t i = 0; i < children.size(); ++i) {
        std::vector<RECT> over(covers);
        for (std::size_t j = i + 1; j < children.size(); ++j)
            over.push_back(children[j].second);
        const TControl& child = *children[i].first;
        HWND w = Hwnd(child);
        if (!w) {
            if (auto* panel = dynamic_cast<const TWinControl*>(&child)) ApplyRegionsWithin(*panel, over);
            continue;
        }
        const RECT& own = children[i].second;
        UniqueRegion region(CreateRectRgn(0, 0, own.right - own.left, own.bottom - own.top));
        bool covered = false;
        for (const RECT& other : over) {
            RECT overlap;
            if (!IntersectRect(&overlap, &own, &other)) continue;
            UniqueRegion cut(CreateRectRgn(overlap.left - own.left, overlap.top - own.top,
                                           overlap.right - own.left, overlap.bottom - own.top));
            CombineRgn(region.Get(), region.Get(), cut.Get(), RGN_DIFF);
            covered = true;
        }
        SetRegion(w, covered ? std::move(region) : UniqueRegion());
    }
}

} // namespace

void ApplyOverlapRegions(TWinControl& container) {
    // A windowless container's windows are its windowed ancestor's: their regions are set from there.
    // Sheets take turns in the same place: only the one shown counts.
    const TControl* top = &container;
    while (!Hwnd(*top) && top->Parent())
        top = top->Parent();
    if (Hwnd(*top)) ApplyRegionsWithin(static_cast<const TWinControl&>(*top), {});
}

void RescaleForm(TForm& form, int dpi, const RECT* suggested) {
    TFormData& data = DataOf(form);
    data.Dpi = dpi;
    TFormData::TFonts oldFonts = data.TakeFonts();
    // Everything moves and grows at once; the old pixels must not be carried along into the new places.
    SendMessageA(Hwnd(form), WM_SETREDRAW, FALSE, 0);
    for (TControl* c : form.AllControls()) {
        if (!Hwnd(*c)) continue;
        SendMessageA(Hwnd(*c), WM_SETFONT, reinterpret_cast<WPARAM>(data.Font(c->Font())), FALSE);
        if (c->Kind() == TControlKind::CheckListBox || c->Kind() == TControlKind::ListBox ||
            c->Kind() == TControlKind::ComboBox)
            ApplyItemHeight(static_cast<TCustomList&>(*c));
        PlaceNative(*c);
    }
    PlaceNative(form);
    if (suggested) {
        // Keep the place the system suggests (the monitor the window moved to), with our own size.
        RECT now;
        GetWindowRect(Hwnd(form), &now);
        SetWindowPos(Hwnd(form), nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    }
    ApplyOverlapRegions(form);
    oldFonts.clear(); // no control uses them any more
    SendMessageA(Hwnd(form), WM_SETREDRAW, TRUE, 0);
    RedrawWindow(Hwnd(form), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

} // namespace ulv::win32ui
