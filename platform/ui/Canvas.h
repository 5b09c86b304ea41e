#pragma once
// Drawing surface handed to owner-drawn lists, and the small value types of the widget layer.
#include "platform/ui/Images.h"

#include <cstdint>
#include <string>

namespace ulv {

using TColor = std::uint32_t;                 // 0x00BBGGRR, as a COLORREF holds it
constexpr TColor kColorDefault = 0xFF000000u; // "the system's colour for this use"
constexpr TColor kColorBlack = 0x000000;
constexpr TColor kColorWhite = 0xFFFFFF;
constexpr TColor kColorNavy = 0x800000;
// System colours, resolved by the backend (GetSysColor numbers with a marker bit).
constexpr TColor kColorSystem = 0x80000000u;
constexpr TColor kColorWindow = kColorSystem | 5;
constexpr TColor kColorWindowText = kColorSystem | 8;
constexpr TColor kColorHighlight = kColorSystem | 13;
constexpr TColor kColorHighlightText = kColorSystem | 14;
constexpr TColor kColorBtnFace = kColorSystem | 15;
constexpr TColor kColorGrayText = kColorSystem | 17;

struct TPoint {
    int X = 0;
    int Y = 0;
};

struct TSize {
    int Width = 0;
    int Height = 0;
    bool operator==(const TSize&) const = default;
};

// Left, top, width, height, as the layout gives them.
struct TBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TBounds&) const = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    [[nodiscard]] int Width() const { return Right - Left; }
    [[nodiscard]] int Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};

// A font as the layout names it. Heights are negative character heights in pixels at 96 dpi; the backend
// scales them to the window's resolution.
struct TFont {
    std::string Name;
    int Height = 0;
    bool Bold = false;
    TColor Color = kColorDefault;
    bool operator==(const TFont&) const = default;
};

// The toolkit's default: the dialog font of the supported Windows versions at 8 points.
inline TFont DefaultFont() {
    return TFont{"MS Shell Dlg 2", -11, false, kColorDefault};
}

// DrawTextA flags that owner drawing uses (the documented values).
constexpr unsigned kDtLeft = 0x0;
constexpr unsigned kDtCenter = 0x1;
constexpr unsigned kDtRight = 0x2;
constexpr unsigned kDtVCenter = 0x4;
constexpr unsigned kDtSingleLine = 0x20;
constexpr unsigned kDtNoPrefix = 0x800;
constexpr unsigned kDtEndEllipsis = 0x8000;

struct TOwnerDrawState {
    bool Selected = false;
    bool Focused = false;
    bool Disabled = false;
};

// Coordinates are device pixels of the item being drawn; Scale() turns a 96-dpi length into them.
class TCanvas {
public:
    virtual ~TCanvas() = default;
    virtual void SetBrushColor(TColor color) = 0;
    [[nodiscard]] virtual TColor BrushColor() const = 0;
    virtual void SetFontColor(TColor color) = 0;
    [[nodiscard]] virtual TColor FontColor() const = 0;
    // Fills with the current brush.
    virtual void FillRect(const TRect& rect) = 0;
    // Text with a transparent background, top-left at (x, y).
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    [[nodiscard]] virtual TSize TextExtent(const std::string& text) = 0;
    virtual void DrawText(const std::string& text, const TRect& rect, unsigned flags) = 0;
    // The colour of the picture's bottom-left pixel is left out.
    virtual void DrawTransparent(const TBitmapImage& picture, int x, int y) = 0;
    [[nodiscard]] virtual int Dpi() const = 0;
    [[nodiscard]] int Scale(int length96) const { return (length96 * Dpi() + 48) / 96; }
};

} // namespace ulv
