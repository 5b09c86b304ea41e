// Pictures: decoded PNG logos blended over their background, and list glyphs keyed on their bottom-left
// pixel. Both are composed in memory and scaled to the window's resolution.
#include "platform/win32/ui/Win32Ui.h"

#include <vector>

namespace ulv::win32ui {

namespace {

BITMAPINFO TopDownInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

std::uint8_t Blend(std::uint8_t over, std::uint8_t under, std::uint8_t alpha) {
    return static_cast<std::uint8_t>((over * alpha + under * (255 - alpha) + 127) / 255);
}

} // namespace

void DrawPicture(HDC dc, const TBitmapImage& picture, const RECT& target, COLORREF background) {
    if (picture.Width <= 0 || picture.Height <= 0) return;
    std::vector<std::uint8_t> pixels(picture.Bgra);
    const std::uint8_t b = GetBValue(background), g = GetGValue(background), r = GetRValue(background);
    for (std::size_t i = 0; i + 3 < pixels.size(); i += 4) {
        std::uint8_t a = pixels[i + 3];
        pixels[i] = Blend(pixels[i], b, a);
        pixels[i + 1] = Blend(pixels[i + 1], g, a);
        pixels[i + 2] = Blend(pixels[i + 2], r, a);
        pixels[i + 3] = 0;
    }
    BITMAPINFO info = TopDownInfo(picture.Width, picture.Height);
    int old = SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchDIBits(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, 0, 0,
                  picture.Width, picture.Height, pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    SetStretchBltMode(dc, old);
}

void DrawKeyed(HDC dc, const TBitmapImage& picture, int x, int y, int width, int height) {
    if (picture.Width <= 0 || picture.Height <= 0 || width <= 0 || height <= 0) return;
    // The background under the glyph, into a DIB of ours, then the glyph's pixels over it (nearest pixel).
    BITMAPINFO info = TopDownInfo(width, height);
    void* bits = nullptr;
    UniqueMemoryDc memory(dc);
    UniqueBitmap dib(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory || !dib || !bits) return;
    SelectedObject selected(memory.Get(), dib.Get());
    BitBlt(memory.Get(), 0, 0, width, height, dc, x, y, SRCCOPY);
    GdiFlush();
    const std::uint8_t* key = &picture.Bgra[static_cast<std::size_t>(picture.Height - 1) * picture.Width * 4];
    auto* out = static_cast<std::uint8_t*>(bits);
    for (int row = 0; row < height; ++row) {
        int sy = row * picture.Height / height;
        for (int col = 0; col < width; ++col) {
            int sx = col * picture.Width / width;
            const std::uint8_t* p = &picture.Bgra[(static_cast<std::size_t>(sy) * picture.Width + sx) * 4];
            if (p[0] == key[0] && p[1] == key[1] && p[2] == key[2]) continue;
            std::uint8_t* q = &out[(static_cast<std::size_t>(row) * width + col) * 4];
            q[0] = p[0], q[1] = p[1], q[2] = p[2];
        }
    }
    BitBlt(dc, x, y, width, height, memory.Get(), 0, 0, SRCCOPY);
}

} // namespace ulv::win32ui
