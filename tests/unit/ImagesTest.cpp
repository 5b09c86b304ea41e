// The wizard's artwork as the build draws it, and the decoders that read it back from the program's
// resources. Damaged or lying input must come back as nullopt; the inputs are exact-size copies, so a read
// past their end is caught by ASan in the native-asan build.
#include "platform/ui/Images.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>

namespace ulv {
namespace {

std::vector<std::uint8_t> ArtFile(const std::string& name) {
    return test::ReadHostFile(std::string(ULVARA_ART_DIR) + "/" + name);
}

std::uint32_t Be32(const std::vector<std::uint8_t>& b, size_t at) {
    return std::uint32_t{b[at]} << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t{b[at + 3]} << 24;
}

void PutLe32(std::vector<std::uint8_t>& b, size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// 0xRRGGBB of a decoded pixel; alpha apart.
std::uint32_t Rgb(const TBitmapImage& image, int x, int y) {
    const std::uint8_t* p = &image.Bgra[(static_cast<size_t>(y) * image.Width + x) * 4];
    return std::uint32_t{p[2]} << 16 | p[1] << 8 | p[0];
}

std::uint8_t Alpha(const TBitmapImage& image, int x, int y) {
    return image.Bgra[(static_cast<size_t>(y) * image.Width + x) * 4 + 3];
}

// What windres stores for a BITMAP resource: the file without its 14-byte BITMAPFILEHEADER.
std::vector<std::uint8_t> PackedDib(const std::string& bmpName) {
    std::vector<std::uint8_t> file = ArtFile(bmpName);
    return file.size() > 14 ? std::vector<std::uint8_t>(file.begin() + 14, file.end()) : file;
}

struct TArt {
    const char* Name;
    int Width;
    int Height;
};
constexpr TArt kLogos[] = {{"logo.png", 120, 260}, {"logosmall.png", 32, 32}};
constexpr TArt kGlyphs[] = {{"openfolder.bmp", 16, 16},
                            {"closedfolder.bmp", 16, 16},
                            {"removabledrive.bmp", 16, 10},
                            {"fixeddrive.bmp", 16, 11}};

TEST(ImagesArtwork, LogosArePalettePngsOfTheirSizes) {
    for (const TArt& art : kLogos) {
        SCOPED_TRACE(art.Name);
        std::vector<std::uint8_t> png = ArtFile(art.Name);
        ASSERT_GE(png.size(), 33u);
        EXPECT_EQ(std::memcmp(&png[12], "IHDR", 4), 0);
        EXPECT_EQ(Be32(png, 16), static_cast<std::uint32_t>(art.Width));
        EXPECT_EQ(Be32(png, 20), static_cast<std::uint32_t>(art.Height));
        EXPECT_EQ(png[24], 8) << "bit depth";
        EXPECT_EQ(png[25], 3) << "colour type";
        std::optional<TBitmapImage> image = DecodePng(png);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->Width, art.Width);
        EXPECT_EQ(image->Height, art.Height);
        EXPECT_EQ(image->Bgra.size(), static_cast<size_t>(art.Width) * art.Height * 4);
    }
}

// The banner fills its column; the small logo must look the same on the white band whether or not its
// transparency is honoured, so a clear pixel is a clear white.
TEST(ImagesArtwork, BannerIsOpaqueAndSmallLogoSitsOnWhite) {
    std::optional<TBitmapImage> banner = DecodePng(ArtFile("logo.png"));
    ASSERT_TRUE(banner);
    for (int y = 0; y < banner->Height; ++y)
        for (int x = 0; x < banner->Width; ++x)
            ASSERT_EQ(Alpha(*banner, x, y), 255) << x << "," << y;
    std::optional<TBitmapImage> small = DecodePng(ArtFile("logosmall.png"));
    ASSERT_TRUE(small);
    int clear = 0;
    for (int y = 0; y < small->Height; ++y) {
        for (int x = 0; x < small->Width; ++x) {
            const std::uint8_t alpha = Alpha(*small, x, y);
            ASSERT_TRUE(alpha == 255 || (alpha == 0 && Rgb(*small, x, y) == 0xFFFFFF)) << x << "," << y;
            clear += alpha == 0;
        }
    }
    for (auto [x, y] : {std::pair{0, 0}, {31, 0}, {0, 31}, {31, 31}})
        EXPECT_EQ(Alpha(*small, x, y), 0) << x << "," << y;
    EXPECT_LT(clear, 32 * 32 * 2 / 3) << "the motif should fill most of the logo";
}

TEST(ImagesArtwork, GlyphsAre4BppBottomUpBitmapsOfTheirSizes) {
    for (const TArt& art : kGlyphs) {
        SCOPED_TRACE(art.Name);
        std::vector<std::uint8_t> bmp = ArtFile(art.Name);
        ASSERT_GE(bmp.size(), 14u + 40u);
        EXPECT_EQ(bmp[0], 'B');
        EXPECT_EQ(bmp[1], 'M');
        EXPECT_EQ(Le32(bmp, 2), bmp.size());
        EXPECT_EQ(Le32(bmp, 10), 14u + 40u + 16u * 4u) << "bits right after the 16 colours";
        EXPECT_EQ(Le32(bmp, 14), 40u);
        EXPECT_EQ(Le32(bmp, 18), static_cast<std::uint32_t>(art.Width));
        EXPECT_EQ(Le32(bmp, 22), static_cast<std::uint32_t>(art.Height)) << "positive: bottom-up";
        EXPECT_EQ(bmp[28] | bmp[29] << 8, 4) << "bits per pixel";
        EXPECT_EQ(Le32(bmp, 30), 0u) << "BI_RGB";
        std::optional<TBitmapImage> image = DecodeDib(PackedDib(art.Name));
        ASSERT_TRUE(image);
        EXPECT_EQ(image->Width, art.Width);
        EXPECT_EQ(image->Height, art.Height);
    }
}

// Glyphs are drawn keyed on their bottom-left pixel's colour: that colour must be the whole background,
// reach the glyph from every side, and never appear inside it, where it would punch a hole.
TEST(ImagesArtwork, GlyphBackgroundIsTheBottomLeftColourAllAround) {
    for (const TArt& art : kGlyphs) {
        SCOPED_TRACE(art.Name);
        std::optional<TBitmapImage> image = DecodeDib(PackedDib(art.Name));
        ASSERT_TRUE(image);
        const int w = image->Width, h = image->Height;
        const std::uint32_t key = Rgb(*image, 0, h - 1);
        for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {w - 1, h - 1}})
            EXPECT_EQ(Rgb(*image, x, y), key) << x << "," << y;
        std::vector<bool> reached(static_cast<size_t>(w) * h);
        std::vector<std::pair<int, int>> todo;
        for (int x = 0; x < w; ++x)
            todo.insert(todo.end(), {{x, 0}, {x, h - 1}});
        for (int y = 0; y < h; ++y)
            todo.insert(todo.end(), {{0, y}, {w - 1, y}});
        while (!todo.empty()) {
            auto [x, y] = todo.back();
            todo.pop_back();
            if (x < 0 || y < 0 || x >= w || y >= h || reached[y * w + x] || Rgb(*image, x, y) != key)
                continue;
            reached[y * w + x] = true;
            todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
        }
        int drawn = 0;
        std::map<std::uint32_t, int> middle;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (Rgb(*image, x, y) == key)
                    EXPECT_TRUE(reached[y * w + x]) << "hole at " << x << "," << y;
                else
                    ++drawn;
                if (x >= w / 4 && x < w * 3 / 4 && y >= h / 4 && y < h * 3 / 4) ++middle[Rgb(*image, x, y)];
            }
        }
        EXPECT_GT(drawn, w * h / 2);
        auto majority = std::max_element(middle.begin(), middle.end(),
                                         [](auto& a, auto& b) { return a.second < b.second; });
        EXPECT_NE(majority->first, key);
    }
}

std::vector<std::uint8_t> SmallPng(png_uint_32 width, png_uint_32 height, png_uint_32 format,
                                   const std::vector<std::uint8_t>& pixels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = format;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr)) return {};
    std::vector<std::uint8_t> out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr)) return {};
    out.resize(size);
    return out;
}

TEST(ImagesDecodePng, GivesStraightBgraForEveryColourType) {
    std::optional<TBitmapImage> rgb =
        DecodePng(SmallPng(2, 1, PNG_FORMAT_RGB, {0x10, 0x20, 0x30, 0xFF, 0x80, 0x00}));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(rgb->Bgra, (std::vector<std::uint8_t>{0x30, 0x20, 0x10, 255, 0x00, 0x80, 0xFF, 255}));
    std::optional<TBitmapImage> rgba =
        DecodePng(SmallPng(1, 2, PNG_FORMAT_RGBA, {1, 2, 3, 0, 200, 100, 50, 128}));
    ASSERT_TRUE(rgba);
    EXPECT_EQ(rgba->Bgra, (std::vector<std::uint8_t>{3, 2, 1, 0, 50, 100, 200, 128}));
    std::optional<TBitmapImage> grey = DecodePng(SmallPng(1, 1, PNG_FORMAT_GA, {0x40, 0xC0}));
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->Bgra, (std::vector<std::uint8_t>{0x40, 0x40, 0x40, 0xC0}));
}

TEST(ImagesDecodePng, RefusesOversizedDamagedAndTruncatedFiles) {
    EXPECT_TRUE(
        DecodePng(SmallPng(kMaxImageSide, 1, PNG_FORMAT_GRAY, std::vector<std::uint8_t>(kMaxImageSide))));
    EXPECT_FALSE(DecodePng(
        SmallPng(kMaxImageSide + 1, 1, PNG_FORMAT_GRAY, std::vector<std::uint8_t>(kMaxImageSide + 1))));
    EXPECT_FALSE(DecodePng(
        SmallPng(1, kMaxImageSide + 1, PNG_FORMAT_GRAY, std::vector<std::uint8_t>(kMaxImageSide + 1))));
    EXPECT_FALSE(DecodePng({}));
    const std::vector<std::uint8_t> png = ArtFile("logosmall.png");
    ASSERT_TRUE(DecodePng(png));
    for (size_t length = 0; length < png.size(); ++length)
        ASSERT_FALSE(DecodePng(std::vector<std::uint8_t>(png.begin(), png.begin() + length))) << length;
    // One flipped bit anywhere, chunk lengths and CRCs and the tRNS that libpng itself only warns about.
    for (size_t at = 0; at < png.size(); ++at) {
        std::vector<std::uint8_t> damaged = png;
        damaged[at] ^= 0x04;
        ASSERT_FALSE(DecodePng(damaged)) << at;
    }
}

// A packed DIB: BITMAPINFOHEADER (BI_RGB), the colours, the bits as given.
std::vector<std::uint8_t> Dib(std::int32_t width, std::int32_t height, std::uint16_t bpp,
                              const std::vector<std::uint32_t>& colors, const std::vector<std::uint8_t>& bits,
                              std::uint32_t headerBytes = 40) {
    std::vector<std::uint8_t> dib(headerBytes + colors.size() * 4);
    PutLe32(dib, 0, headerBytes);
    PutLe32(dib, 4, static_cast<std::uint32_t>(width));
    PutLe32(dib, 8, static_cast<std::uint32_t>(height));
    dib[12] = 1;
    dib[14] = static_cast<std::uint8_t>(bpp);
    PutLe32(dib, 32, static_cast<std::uint32_t>(colors.size()));
    for (size_t i = 0; i < colors.size(); ++i)
        PutLe32(dib, headerBytes + i * 4, colors[i]);
    dib.insert(dib.end(), bits.begin(), bits.end());
    return dib;
}

std::vector<std::uint32_t> Pixels(const TBitmapImage& image) {
    std::vector<std::uint32_t> rgb;
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x)
            rgb.push_back(Rgb(image, x, y) | std::uint32_t{Alpha(image, x, y)} << 24);
    return rgb;
}

using Rgbs = std::vector<std::uint32_t>;

TEST(ImagesDecodeDib, ReadsEveryDepthWithItsPaddingAndOrientation) {
    // 1 bpp, bottom-up: the stored first row is the picture's last.
    auto one = DecodeDib(Dib(3, 2, 1, {0x000000, 0xFFFFFF}, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}));
    ASSERT_TRUE(one);
    EXPECT_EQ(Pixels(*one), (Rgbs{0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}));
    // 4 bpp with a 3-colour palette: index 5 lies past it and shows black.
    auto four = DecodeDib(Dib(3, -1, 4, {0x111111, 0x222222, 0x333333}, {0x12, 0x50, 0, 0}));
    ASSERT_TRUE(four);
    EXPECT_EQ(Pixels(*four), (Rgbs{0xFF222222, 0xFF333333, 0xFF000000}));
    auto eight = DecodeDib(Dib(2, 1, 8, {0x0000FF, 0x00FF00}, {1, 0, 0, 0}));
    ASSERT_TRUE(eight);
    EXPECT_EQ(Pixels(*eight), (Rgbs{0xFF00FF00, 0xFF0000FF}));
    // 24 bpp, top-down, 9-byte rows padded to 12; an optional palette before the bits is skipped.
    auto rgb = DecodeDib(Dib(3, -2, 24, {0xABCDEF}, {1,  2,  3,  4,  5,  6,  7,  8,  9,  0, 0, 0,
                                                     10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0}));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(Pixels(*rgb), (Rgbs{0xFF030201, 0xFF060504, 0xFF090807, 0xFF0C0B0A, 0xFF0F0E0D, 0xFF121110}));
    // 32 bpp: the fourth byte is not alpha under BI_RGB.
    auto quad = DecodeDib(Dib(1, 1, 32, {}, {0x10, 0x20, 0x30, 0x00}));
    ASSERT_TRUE(quad);
    EXPECT_EQ(Pixels(*quad), (Rgbs{0xFF302010}));
    // A V5 header: the palette follows the header's own size.
    auto v5 = DecodeDib(Dib(1, 1, 8, {0x445566}, {0, 0, 0, 0}, 124));
    ASSERT_TRUE(v5);
    EXPECT_EQ(Pixels(*v5), (Rgbs{0xFF445566}));
}

TEST(ImagesDecodeDib, RefusesEveryTruncationOfAGlyph) {
    const std::vector<std::uint8_t> dib = PackedDib("closedfolder.bmp");
    ASSERT_TRUE(DecodeDib(dib));
    for (size_t length = 0; length < dib.size(); ++length)
        ASSERT_FALSE(DecodeDib(std::vector<std::uint8_t>(dib.begin(), dib.begin() + length))) << length;
}

TEST(ImagesDecodeDib, RefusesLyingHeaderFields) {
    const std::vector<std::uint8_t> dib = PackedDib("fixeddrive.bmp");
    ASSERT_TRUE(DecodeDib(dib));
    struct TLie {
        size_t At;
        std::uint32_t Value;
        int Bytes;
    };
    const TLie lies[] = {
        {0, 0, 4},
        {0, 12, 4},
        {0, 39, 4},
        {0, static_cast<std::uint32_t>(dib.size() + 1), 4},
        {0, 0xFFFFFFFF, 4},
        {4, 0, 4},
        {4, 0xFFFFFFF0, 4},
        {4, 17, 4},
        {4, kMaxImageSide + 1, 4},
        {4, 0x7FFFFFFF, 4},
        {8, 0, 4},
        {8, 12, 4},
        {8, 0xFFFFFFF4, 4},
        {8, kMaxImageSide + 1, 4},
        {8, 0x80000000, 4},
        {12, 0, 2},
        {12, 2, 2},
        {14, 0, 2},
        {14, 2, 2},
        {14, 16, 2},
        {14, 8, 2},
        {14, 64, 2},
        {16, 1, 4},
        {16, 2, 4},
        {16, 3, 4},
        {32, 17, 4},
        {32, 0x40000000, 4},
        {32, 0xFFFFFFFF, 4},
    };
    for (const TLie& lie : lies) {
        std::vector<std::uint8_t> lying = dib;
        for (int i = 0; i < lie.Bytes; ++i)
            lying[lie.At + i] = static_cast<std::uint8_t>(lie.Value >> (8 * i));
        EXPECT_FALSE(DecodeDib(lying)) << "offset " << lie.At << " value " << lie.Value;
    }
    // 24 bpp with an optional palette of 2^30 colours: 4 bytes each wrap a 32-bit offset round to 0.
    std::vector<std::uint8_t> wrapping = Dib(1, 1, 24, {}, {0, 0, 0, 0});
    PutLe32(wrapping, 32, 0x40000000);
    EXPECT_FALSE(DecodeDib(wrapping));
}

} // namespace
} // namespace ulv
