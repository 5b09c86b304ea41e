// Controls without a window of their own: etched lines, pictures, panels, the page container and its sheets,
// drawn by their nearest windowed ancestor (the form); the windowed controls a container holds are that
// ancestor's windows, placed, shown and hidden through the container.
#include "platform/win32/ui/Win32Ui.h"

namespace ulv::win32ui {
namespace {

// As the static control draws its etched lines (SS_ETCHEDVERT, SS_ETCHEDHORZ): an etched frame around the
// box, which two pixels across shows as a line of shadow beside one of light.
void DrawBevel(HDC dc, RECT box) {
    DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);
}

// The picture from the box's top-left corner at the window's resolution, blended over the background it
// stands on and cut at the box.
void DrawImage(HDC dc, const TImage& image, RECT box) {
    TFormData& data = DataOf(image);
    FillRect(dc, &box, data.Brush(BackgroundOf(image)));
    const auto& picture = image.Picture();
    if (!picture) return;
    COLORREF background = ToColorRef(BackgroundOf(image));
    RECT target{box.left, box.top, box.left + data.Scale(picture->Width),
                box.top + data.Scale(picture->Height)};
    SavedDc saved(dc);
    IntersectClipRect(dc, box.left, box.top, box.right, box.bottom);
    DrawPicture(dc, *picture, target, background);
}

// The children the container draws, at the offset of its client area on the device context.
void DrawChildren(HDC dc, const TControl& container, POINT offset) {
    auto* parent = dynamic_cast<const TWinControl*>(&container);
    if (!parent) return;
    for (const TControl* child : parent->Children()) {
        if (!DrawnByParent(*child) || !child->Native.Made || !child->Visible()) continue;
        RECT box = GraphicRect(*child);
        OffsetRect(&box, offset.x, offset.y);
        switch (child->Kind()) {
        case TControlKind::Bevel:
            DrawBevel(dc, box);
            break;
        case TControlKind::Image:
            DrawImage(dc, static_cast<const TImage&>(*child), box);
            break;
        default:
            DrawContainerFace(dc, *child, box);
            DrawChildren(dc, *child, POINT{box.left, box.top});
            break;
        }
    }
}

} // namespace

bool DrawnByParent(const TControl& control) {
    switch (control.Kind()) {
    case TControlKind::Bevel:
    case TControlKind::Image:
    case TControlKind::Panel:
    case TControlKind::PageControl:
    case TControlKind::TabSheet:
        return true;
    default:
        return false;
    }
}

POINT PlaceInWindow(const TControl& control) {
    TFormData& data = DataOf(control);
    POINT at{data.Scale(control.Bounds().Left), data.Scale(control.Bounds().Top)};
    for (const TControl* c = control.Parent(); c && !Hwnd(*c) && c->Parent(); c = c->Parent()) {
        at.x += data.Scale(c->Bounds().Left);
        at.y += data.Scale(c->Bounds().Top);
    }
    return at;
}

bool ShownInWindow(const TControl& control) {
    if (!control.Visible()) return false;
    // The window's own showing is the system's to apply to what it holds.
    for (const TControl* c = control.Parent(); c && !Hwnd(*c); c = c->Parent())
        if (!c->Visible()) return false;
    return true;
}

RECT ScreenRect(const TControl& control) {
    RECT r{};
    if (HWND w = Hwnd(control)) {
        GetWindowRect(w, &r);
        return r;
    }
    r = GraphicRect(control);
    POINT at = PlaceInWindow(control);
    OffsetRect(&r, at.x - r.left, at.y - r.top);
    MapWindowPoints(WindowOf(*control.Parent()), nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT GraphicRect(const TControl& control) {
    TFormData& data = DataOf(control);
    const TBounds& b = control.Bounds();
    int left = data.Scale(b.Left), top = data.Scale(b.Top);
    return RECT{left, top, left + data.Scale(b.Width), top + data.Scale(b.Height)};
}

void DrawContainerFace(HDC dc, const TControl& c, const RECT& box) {
    TColor color = c.Kind() == TControlKind::Panel ? static_cast<const TPanel&>(c).Color() : BackgroundOf(c);
    FillRect(dc, &box, DataOf(c).Brush(color));
    if (c.Kind() != TControlKind::Panel) return;
    auto& panel = static_cast<const TPanel&>(c);
    UINT edge = 0;
    if (panel.BevelOuter == TBevelCut::Lowered) edge |= BDR_SUNKENOUTER;
    if (panel.BevelOuter == TBevelCut::Raised) edge |= BDR_RAISEDOUTER;
    if (panel.BevelInner == TBevelCut::Lowered) edge |= BDR_SUNKENINNER;
    if (panel.BevelInner == TBevelCut::Raised) edge |= BDR_RAISEDINNER;
    RECT r = box;
    if (edge) DrawEdge(dc, &r, edge, BF_RECT);
}

void DrawGraphicChildren(HDC dc, const TControl& container) {
    DrawChildren(dc, container, POINT{0, 0});
}

HWND WindowOf(const TControl& control) {
    for (const TControl* c = &control; c; c = c->Parent())
        if (HWND w = Hwnd(*c)) return w;
    return nullptr;
}

void RedrawGraphic(const TControl& control) {
    if (HWND parent = control.Parent() ? WindowOf(*control.Parent()) : nullptr)
        InvalidateRect(parent, nullptr, FALSE);
}

} // namespace ulv::win32ui
