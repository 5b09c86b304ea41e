#include "Images.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace ulv {

namespace {

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kMaxChunkBytes = 0x7FFFFFFF;

std::uint32_t ReadBe32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

// libpng stops at the image data and only warns about a bad ancillary chunk, so a file cut after its
// pixels, or with a damaged tRNS, would still decode: every chunk up to IEND must be whole, CRC included.
bool ChunksAreWhole(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < sizeof kPngSignature ||
        !std::equal(kPngSignature, std::end(kPngSignature), bytes.begin()))
        return false;
    std::size_t at = sizeof kPngSignature;
    while (bytes.size() - at >= 12) {
        const std::uint32_t length = ReadBe32(bytes, at);
        if (length > kMaxChunkBytes || length > bytes.size() - at - 12) return false;
        const std::uint8_t* type = &bytes[at + 4];
        const uLong crc = crc32(crc32(0, nullptr, 0), type, static_cast<uInt>(length + 4));
        if (crc != ReadBe32(bytes, at + 8 + length)) return false;
        if (std::equal(type, type + 4, "IEND")) return true;
        at += 12 + std::size_t{length};
    }
    return false;
}

} // namespace

std::optional<TBitmapImage> DecodePng(std::span<const std::uint8_t> bytes) {
    if (!ChunksAreWhole(bytes)) return std::nullopt;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        png_image_free(&image);
        return std::nullopt;
    }
    // Checked before the buffer is allocated: the header alone decides how much a file asks for.
    if (image.width == 0 || image.height == 0 || image.width > kMaxImageSide ||
        image.height > kMaxImageSide) {
        png_image_free(&image);
        return std::nullopt;
    }
    image.format = PNG_FORMAT_BGRA;
    TBitmapImage picture{static_cast<int>(image.width), static_cast<int>(image.height), {}};
    picture.Bgra.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.Bgra.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    png_image_free(&image);
    return picture;
}

namespace {

constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kBiRgb = 0;

std::uint32_t ReadU32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t ReadU16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

// Where a DIB's parts lie, every one checked to fit the bytes.
struct TDibLayout {
    int Width = 0;
    int Height = 0;
    bool TopDown = false;
    int Bpp = 0;
    std::size_t PaletteAt = 0;
    std::size_t PaletteCount = 0;
    std::size_t BitsAt = 0;
    std::size_t Stride = 0;
};

bool KnownBpp(std::uint16_t bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || bpp == 32;
}

std::optional<TDibLayout> ReadDibLayout(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kInfoHeaderBytes) return std::nullopt;
    const std::uint32_t headerBytes = ReadU32(bytes, 0);
    if (headerBytes < kInfoHeaderBytes || headerBytes > bytes.size()) return std::nullopt;
    const auto width = static_cast<std::int32_t>(ReadU32(bytes, 4));
    const auto height = static_cast<std::int32_t>(ReadU32(bytes, 8));
    const std::uint16_t bpp = ReadU16(bytes, 14);
    if (ReadU16(bytes, 12) != 1 || !KnownBpp(bpp) || ReadU32(bytes, 16) != kBiRgb) return std::nullopt;
    // In 64 bits: the height of a top-down DIB is negative, and -INT32_MIN does not fit 32.
    const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    if (width <= 0 || width > kMaxImageSide || rows == 0 || rows > kMaxImageSide) return std::nullopt;
    std::uint64_t paletteCount = ReadU32(bytes, 32);
    if (bpp <= 8) {
        const std::uint64_t full = std::uint64_t{1} << bpp;
        if (paletteCount == 0) paletteCount = full;
        if (paletteCount > full) return std::nullopt;
    }
    const std::uint64_t bitsAt = headerBytes + paletteCount * 4;
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bpp + 31) / 32 * 4;
    if (bitsAt > bytes.size() || stride * static_cast<std::uint64_t>(rows) > bytes.size() - bitsAt)
        return std::nullopt;
    return TDibLayout{.Width = width,
                      .Height = static_cast<int>(rows),
                      .TopDown = height < 0,
                      .Bpp = bpp,
                      .PaletteAt = headerBytes,
                      .PaletteCount = static_cast<std::size_t>(paletteCount),
                      .BitsAt = static_cast<std::size_t>(bitsAt),
                      .Stride = static_cast<std::size_t>(stride)};
}

void PutPaletteColor(std::span<const std::uint8_t> bytes, const TDibLayout& dib, unsigned index,
                     std::uint8_t* out) {
    if (index >= dib.PaletteCount) {
        out[0] = out[1] = out[2] = 0;
    } else {
        const std::uint8_t* quad = &bytes[dib.PaletteAt + index * std::size_t{4}];
        out[0] = quad[0], out[1] = quad[1], out[2] = quad[2];
    }
    out[3] = 255;
}

void DecodeDibRow(std::span<const std::uint8_t> bytes, const TDibLayout& dib,
                  std::span<const std::uint8_t> row, std::uint8_t* out) {
    for (int x = 0; x < dib.Width; ++x, out += 4) {
        if (dib.Bpp >= 24) {
            const std::uint8_t* p = &row[static_cast<std::size_t>(x) * (dib.Bpp / 8)];
            out[0] = p[0], out[1] = p[1], out[2] = p[2], out[3] = 255;
            continue;
        }
        const std::size_t bit = static_cast<std::size_t>(x) * dib.Bpp;
        const unsigned shift = 8 - dib.Bpp - bit % 8;
        PutPaletteColor(bytes, dib, (row[bit / 8] >> shift) & ((1u << dib.Bpp) - 1), out);
    }
}

} // namespace

std::optional<TBitmapImage> DecodeDib(std::span<const std::uint8_t> bytes) {
    const std::optional<TDibLayout> dib = ReadDibLayout(bytes);
    if (!dib) return std::nullopt;
    TBitmapImage picture{dib->Width, dib->Height, {}};
    const std::size_t outStride = static_cast<std::size_t>(dib->Width) * 4;
    picture.Bgra.resize(outStride * dib->Height);
    for (int y = 0; y < dib->Height; ++y) {
        const int stored = dib->TopDown ? y : dib->Height - 1 - y;
        DecodeDibRow(bytes, *dib, bytes.subspan(dib->BitsAt + stored * dib->Stride, dib->Stride),
                     &picture.Bgra[y * outStride]);
    }
    return picture;
}

} // namespace ulv
