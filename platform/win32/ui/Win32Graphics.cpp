// Controls without a window of their own: etched lines and pictures, drawn by their parent container.
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
    COLORREF background = ToColorRef(BackgroundOf(image));
    UniqueBrush brush(CreateSolidBrush(background));
    FillRect(dc, &box, brush.Get());
    const auto& picture = image.Picture();
    if (!picture) return;
    TFormData& data = DataOf(image);
    RECT target{box.left, box.top, box.left + data.Scale(picture->Width), box.top + data.Scale(picture->Height)};
    SavedDc saved(dc);
    IntersectClipRect(dc, box.left, box.top, box.right, box.bottom);
    DrawPicture(dc, *picture, target, background);
}

} // namespace

bool DrawnByParent(const TControl& control) {
    return control.Kind() == TControlKind::Bevel || control.Kind() == TControlKind::Image;
}

RECT GraphicRect(const TControl& control) {
    TFormData& data = DataOf(control);
    const TBounds& b = control.Bounds();
    int left = data.Scale(b.Left), top = data.Scale(b.Top);
    return RECT{left, top, left + data.Scale(b.Width), top + data.Scale(b.Height)};
}

void DrawGraphicChildren(HDC dc, const TControl& container) {
    auto* parent = dynamic_cast<const TWinControl*>(&container);
    if (!parent) return;
    for (const TControl* child : parent->Children()) {
        if (!DrawnByParent(*child) || !child->Native.Made || !child->Visible()) continue;
        if (child->Kind() == TControlKind::Bevel)
            DrawBevel(dc, GraphicRect(*child));
        else
            DrawImage(dc, static_cast<const TImage&>(*child), GraphicRect(*child));
    }
}

void RedrawGraphic(const TControl& control) {
    if (HWND parent = control.Parent() ? Hwnd(*control.Parent()) : nullptr)
        InvalidateRect(parent, nullptr, FALSE);
}

} // namespace ulv::win32ui
