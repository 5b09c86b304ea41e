#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ulv {

constexpr int kMaxImageSide = 4096;

// A decoded picture: top-down rows of 4-byte pixels B, G, R, A (straight alpha), as a 32-bpp top-down DIB
// wants them. Bgra holds exactly Width * Height * 4 bytes.
struct TBitmapImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Bgra;
};

// PNG bytes (any colour type libpng reads; palette transparency becomes alpha) -> the picture. nullopt for
// anything damaged (a bad CRC included), truncated, empty, or wider or taller than kMaxImageSide.
[[nodiscard]] std::optional<TBitmapImage> DecodePng(std::span<const std::uint8_t> bytes);

// A packed DIB (BITMAPINFOHEADER or a later header of that family, the palette, the bits: what a BITMAP
// resource holds) of 1, 4, 8, 24 or 32 bpp, BI_RGB, bottom-up or top-down -> the picture, alpha 255 (the
// fourth byte of a 32-bpp pixel is ignored). The palette has biClrUsed entries, or 2^bpp when that is 0;
// a pixel whose index lies past the palette is black. nullopt when a field is out of range or any size or
// offset does not fit the bytes; the bits must hold every row in full, padding included.
[[nodiscard]] std::optional<TBitmapImage> DecodeDib(std::span<const std::uint8_t> bytes);

} // namespace ulv
