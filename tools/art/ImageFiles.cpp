#include "tools/art/ImageFiles.h"

#include <png.h>

#include <cstdio>

namespace ulv::art {
namespace {

void PngToMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// No time or text chunks and fixed compression settings. Everything libpng's error jump could skip
// the destructor of is built before the jump point.
bool EncodePng(int width, int height, int colorType, int bytesPerPixel, const std::vector<uint8_t>& pixels,
               const std::vector<Rgb8>& palette, bool firstIsClear, std::vector<uint8_t>& out) {
    std::vector<png_bytep> rows;
    for (int y = 0; y < height; ++y)
        rows.push_back(const_cast<png_bytep>(&pixels[static_cast<size_t>(y) * width * bytesPerPixel]));
    std::vector<png_color> colors;
    for (Rgb8 c : palette)
        colors.push_back({c.R, c.G, c.B});
    png_byte clear = 0;

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, PngToMemory, nullptr);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, width, height, 8, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!colors.empty()) png_set_PLTE(png, info, colors.data(), static_cast<int>(colors.size()));
    if (firstIsClear) png_set_tRNS(png, info, &clear, 1, nullptr);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

bool EncodeRgbaPng(int width, int height, const std::vector<uint8_t>& rgba, std::vector<uint8_t>& out) {
    return EncodePng(width, height, PNG_COLOR_TYPE_RGB_ALPHA, 4, rgba, {}, false, out);
}

bool EncodePalettePng(int width, int height, const std::vector<Rgb8>& palette, bool firstIsClear,
                      const std::vector<uint8_t>& indices, std::vector<uint8_t>& out) {
    return EncodePng(width, height, PNG_COLOR_TYPE_PALETTE, 1, indices, palette, firstIsClear, out);
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    bool written = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (out && std::fclose(out) != 0) written = false;
    if (!written) std::remove(path.c_str());
    return written;
}

} // namespace ulv::art
