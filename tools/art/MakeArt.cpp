// Draws the wizard's artwork and writes it into a folder: the banner of the logo column (logo.png,
// 120 x 260) and the title band's logo (logosmall.png, 32 x 32), both 8-bit palette PNGs, and the
// glyphs of the folder and drive lists as 16-colour bottom-up BMPs. The logos carry the application
// icon's motif (a sheet of paper with a folded corner, lines of text, a blue pen) in its colours;
// everything is drawn from geometry, so the output is the same bytes on every run.
//
//   ulvara-make-art OUT-FOLDER
#include "tools/art/ImageFiles.h"
#include "tools/art/Motif.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <map>
#include <numbers>
#include <string>
#include <vector>

namespace ulv::art {
namespace {

// The banner: a blue column lit from behind the motif, with faint ruled lines towards its foot.

// The sky: the pen's blues, darkest at the foot of the column.
constexpr Color kBannerTop = Rgb(0x2A67D8);
constexpr Color kBannerBottom = Rgb(0x0B2358);

constexpr int kBannerWidth = 120, kBannerHeight = 260;
constexpr int kBannerMotif = 88;
constexpr Point kBannerMotifAt{9, 30};

Color Mix(Color a, Color b, double t) {
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t, 1};
}

Color BannerSky(Point p) {
    Color c = Mix(kBannerTop, kBannerBottom, std::pow(p.Y / kBannerHeight, 0.8));
    // A soft light behind the sheet, so the pen's dark outline stays readable on the blue.
    double dx = (p.X - 60) / 70, dy = (p.Y - 72) / 80;
    double glow = 0.30 * std::exp(-2.2 * (dx * dx + dy * dy));
    c = Mix(c, Rgb(0xFFFFFF), glow);
    // Ruled lines, as on a writing pad, fading in below the motif.
    double fade = std::clamp((p.Y - 150) / 80, 0.0, 1.0);
    double row = std::fmod(p.Y - 0.5, 12.0);
    if (fade > 0 && row >= 0 && row < 1) c = Mix(c, Rgb(0xFFFFFF), 0.07 * fade);
    if (fade > 0 && p.X >= 16 && p.X < 17) c = Mix(c, Rgb(0x86AEF2), 0.16 * fade);
    return c;
}

// A line of handwriting on the pad: a slanted looped trochoid in the pen's light blue, sitting on one
// of the ruled lines. Each turn is a letter (tall l, short e); heights change where the line touches
// the base, so it stays smooth.
void AddWriting(Shapes& shapes) {
    constexpr double kLetters[] = {1, 0.5, 1, 1, 0.5};
    constexpr double kLoop = 4.0, kAdvance = 2.2, kLeft = 22, kBase = 216, kHeight = 7.5, kSlant = 0.3;
    constexpr int kStepsPerLetter = 80;
    Shape line{{}, 0.7, Rgb(0x86AEF2, 0.85)};
    int steps = kStepsPerLetter * static_cast<int>(std::size(kLetters));
    for (int i = 0; i <= steps; ++i) {
        double t = 2 * std::numbers::pi * i / kStepsPerLetter;
        double tall = kLetters[std::min<size_t>(i / kStepsPerLetter, std::size(kLetters) - 1)];
        double y = kBase - kHeight * tall * (1 - std::cos(t));
        line.Points.push_back(
            {kLeft + kAdvance * t + kLoop * (0.6 + 0.4 * tall) * std::sin(t) + (kBase - y) * kSlant, y});
    }
    shapes.push_back(line);
}

Picture DrawBanner() {
    Shapes shapes;
    AddMotif(kBannerMotif, kBannerMotifAt, shapes);
    AddWriting(shapes);
    return Render(kBannerWidth, kBannerHeight, BannerSky, shapes);
}

Picture DrawSmallLogo() {
    Shapes shapes;
    AddMotif(32, {0, 0}, shapes);
    return Render(32, 32, nullptr, shapes);
}

// Palette images: median cut down to the colours a palette holds.

struct Counted {
    Rgb8 Value;
    uint32_t Count;
};

int Channel(const Rgb8& c, int axis) {
    return axis == 0 ? c.R : axis == 1 ? c.G : c.B;
}

// A run of colours [Begin, End) and its widest channel.
struct Box {
    size_t Begin, End;
    int Axis = 0, Range = 0;
};

void Measure(const std::vector<Counted>& colors, Box& box) {
    box.Range = -1;
    for (int axis = 0; axis < 3; ++axis) {
        int low = 255, high = 0;
        for (size_t i = box.Begin; i < box.End; ++i) {
            low = std::min(low, Channel(colors[i].Value, axis));
            high = std::max(high, Channel(colors[i].Value, axis));
        }
        if (high - low > box.Range) {
            box.Range = high - low;
            box.Axis = axis;
        }
    }
}

// Splits the box at its count-weighted median along its widest channel.
void Split(std::vector<Counted>& colors, std::vector<Box>& boxes, size_t which) {
    Box& box = boxes[which];
    const int axis = box.Axis;
    std::stable_sort(colors.begin() + box.Begin, colors.begin() + box.End,
                     [axis](const Counted& a, const Counted& b) {
                         return Channel(a.Value, axis) < Channel(b.Value, axis);
                     });
    uint64_t total = 0, running = 0;
    for (size_t i = box.Begin; i < box.End; ++i)
        total += colors[i].Count;
    size_t cut = box.Begin + 1;
    for (size_t i = box.Begin; i + 1 < box.End; ++i) {
        running += colors[i].Count;
        cut = i + 1;
        if (running * 2 >= total) break;
    }
    Box upper{cut, box.End};
    box.End = cut;
    Measure(colors, box);
    Measure(colors, upper);
    boxes.push_back(upper);
}

Rgb8 Average(const std::vector<Counted>& colors, const Box& box) {
    double r = 0, g = 0, b = 0, n = 0;
    for (size_t i = box.Begin; i < box.End; ++i) {
        const double count = colors[i].Count;
        r += colors[i].Value.R * count;
        g += colors[i].Value.G * count;
        b += colors[i].Value.B * count;
        n += count;
    }
    auto mean = [n](double sum) { return static_cast<uint8_t>(std::lround(sum / n)); };
    return {mean(r), mean(g), mean(b)};
}

// At most limit colours; exactly the image's own when it has no more than that.
std::vector<Rgb8> MedianCut(std::vector<Counted> colors, size_t limit) {
    std::vector<Box> boxes{{0, colors.size()}};
    Measure(colors, boxes[0]);
    while (boxes.size() < limit) {
        size_t widest = 0;
        for (size_t i = 1; i < boxes.size(); ++i)
            if (boxes[i].Range > boxes[widest].Range) widest = i;
        if (boxes[widest].Range <= 0) break; // every box holds a single colour
        Split(colors, boxes, widest);
    }
    std::vector<Rgb8> palette;
    for (const Box& box : boxes)
        palette.push_back(Average(colors, box));
    std::sort(palette.begin(), palette.end());
    return palette;
}

struct PaletteImage {
    int Width = 0, Height = 0;
    std::vector<Rgb8> Palette;
    bool FirstIsClear = false; // entry 0 is shown transparent (tRNS)
    std::vector<uint8_t> Indices;
};

constexpr double kDitherCap = 6;

// Distance weighted roughly as the eye weighs the channels, green most.
size_t Nearest(const std::vector<Rgb8>& palette, size_t from, Rgb8 c) {
    size_t best = from;
    int bestDistance = INT_MAX;
    for (size_t i = from; i < palette.size(); ++i) {
        int dr = palette[i].R - c.R, dg = palette[i].G - c.G, db = palette[i].B - c.B;
        int distance = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

using Error = std::array<double, 3>;

// Floyd-Steinberg, with the error capped: enough to smooth the banner's gradient into the palette's
// steps, too little to dot the flat colours of the motif next to it.
void Dither(PaletteImage& image, const std::vector<Rgb8>& opaque, const Picture& picture, size_t first) {
    const int w = image.Width;
    std::vector<Error> error(static_cast<size_t>(w + 2) * 2, {0, 0, 0}); // this row and the next
    auto at = [&](int y, int x) -> Error& { return error[static_cast<size_t>(y % 2) * (w + 2) + x + 1]; };
    image.Indices.assign(opaque.size(), 0);
    for (int y = 0; y < image.Height; ++y) {
        for (int x = -1; x <= w; ++x)
            at(y + 1, x) = {0, 0, 0};
        for (int x = 0; x < w; ++x) {
            size_t i = static_cast<size_t>(y) * w + x;
            if (picture.Rgba[i * 4 + 3] == 0) continue;
            const Error& e = at(y, x);
            const Error exact{opaque[i].R + e[0], opaque[i].G + e[1], opaque[i].B + e[2]};
            auto clamped = [](double v) {
                return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
            };
            size_t index =
                Nearest(image.Palette, first, {clamped(exact[0]), clamped(exact[1]), clamped(exact[2])});
            image.Indices[i] = static_cast<uint8_t>(index);
            const Rgb8& got = image.Palette[index];
            const Error got3{double(got.R), double(got.G), double(got.B)};
            for (int k = 0; k < 3; ++k) {
                double left = std::clamp(exact[k] - got3[k], -kDitherCap, kDitherCap);
                at(y, x + 1)[k] += left * 7 / 16;
                at(y + 1, x - 1)[k] += left * 3 / 16;
                at(y + 1, x)[k] += left * 5 / 16;
                at(y + 1, x + 1)[k] += left * 1 / 16;
            }
        }
    }
}

// Clear pixels (alpha 0) go to a white entry 0 marked transparent; the others are laid on white,
// which is what the title band shows under them.
PaletteImage Quantize(const Picture& picture) {
    std::map<Rgb8, uint32_t> histogram;
    std::vector<Rgb8> opaque(static_cast<size_t>(picture.Width) * picture.Height);
    bool anyClear = false;
    for (size_t i = 0; i < opaque.size(); ++i) {
        const uint8_t* p = &picture.Rgba[i * 4];
        auto onWhite = [&](int v) { return uint8_t((v * p[3] + 255 * (255 - p[3]) + 127) / 255); };
        opaque[i] = {onWhite(p[0]), onWhite(p[1]), onWhite(p[2])};
        if (p[3] == 0)
            anyClear = true;
        else
            ++histogram[opaque[i]];
    }
    std::vector<Counted> colors;
    for (const auto& [color, count] : histogram)
        colors.push_back({color, count});
    PaletteImage image{picture.Width, picture.Height, {}, anyClear, {}};
    if (anyClear) image.Palette.push_back({255, 255, 255});
    size_t first = image.Palette.size();
    for (Rgb8 c : MedianCut(colors, 256 - first))
        image.Palette.push_back(c);
    Dither(image, opaque, picture, first);
    return image;
}

// Glyphs: 16-colour pixel art, drawn with whole-pixel strokes so it stays crisp at 1:1.

enum Ink : uint8_t {
    kKey,         // the transparent colour: never part of a glyph
    kOutline,     // drives' outline
    kFolderInk,   // folders' outline
    kFolderDeep,  // inside and back of a folder
    kFolderBody,  // its front
    kFolderLight, // its lit edges
    kFolderShine,
    kMetalDark,
    kMetal,
    kMetalLight,
    kMetalShine,
    kBlueDeep,
    kBlue,
    kBlueLight,
    kLed,
    kWhite,
};

constexpr std::array<uint32_t, 16> kGlyphPalette = {
    0xFF00FF, 0x262B33, 0x8A6410, 0xD9A21E, 0xF5C842, 0xFFE38A, 0xFFF5CF, 0x5C6677,
    0x8A96A6, 0xBAC4D0, 0xE6EBF1, 0x0F2F6E, 0x2A67D8, 0x86AEF2, 0x2FBF4F, 0xFFFFFF,
};

struct Glyph {
    int Width, Height;
    std::vector<uint8_t> Pixels; // palette indices, top row first

    Glyph(int width, int height)
        : Width(width), Height(height), Pixels(static_cast<size_t>(width) * height, kKey) {}
    void Dot(int x, int y, Ink ink) {
        if (x >= 0 && x < Width && y >= 0 && y < Height) Pixels[static_cast<size_t>(y) * Width + x] = ink;
    }
    void Row(int y, int x0, int x1, Ink ink) {
        for (int x = x0; x <= x1; ++x)
            Dot(x, y, ink);
    }
    void Column(int x, int y0, int y1, Ink ink) {
        for (int y = y0; y <= y1; ++y)
            Dot(x, y, ink);
    }
    void Fill(int x0, int y0, int x1, int y1, Ink ink) {
        for (int y = y0; y <= y1; ++y)
            Row(y, x0, x1, ink);
    }
};

// The folder's back with its tab, as both folders have it.
void FolderBack(Glyph& g, Ink inside) {
    g.Row(2, 1, 5, kFolderInk);
    g.Dot(0, 3, kFolderInk);
    g.Row(3, 1, 5, kFolderLight);
    g.Dot(6, 3, kFolderInk);
    g.Fill(1, 4, 13, 12, inside);
    g.Row(4, 1, 6, kFolderLight);
    g.Row(4, 7, 13, kFolderInk);
    g.Column(0, 4, 13, kFolderInk);
    g.Column(14, 5, 13, kFolderInk);
    g.Row(13, 0, 14, kFolderInk);
}

Glyph DrawClosedFolder() {
    Glyph g(16, 16);
    FolderBack(g, kFolderBody);
    g.Row(5, 1, 13, kFolderShine);
    g.Column(1, 5, 12, kFolderLight);
    g.Row(12, 2, 13, kFolderDeep);
    g.Column(13, 6, 12, kFolderDeep);
    return g;
}

// Open: a written sheet in the back, the front flap tilted towards the viewer.
Glyph DrawOpenFolder() {
    Glyph g(16, 16);
    FolderBack(g, kFolderDeep);
    g.Fill(8, 3, 11, 6, kWhite);
    g.Row(2, 8, 11, kMetal);
    g.Column(7, 3, 6, kMetal);
    g.Column(12, 3, 6, kMetal);
    g.Row(4, 8, 10, kMetalLight);
    g.Row(6, 8, 11, kMetalLight);
    for (int y = 7; y <= 13; ++y) {
        int left = 3 - (y - 7) / 2, right = left + 11;
        g.Row(y, left, right, y == 7 || y == 13 ? kFolderInk : y == 8 ? kFolderShine : kFolderBody);
        g.Dot(left, y, kFolderInk);
        g.Dot(right, y, kFolderInk);
        if (y > 8 && y < 12) g.Dot(right - 1, y, kFolderDeep);
    }
    return g;
}

// A drive seen from the front and a little from above: a lit top face, a grey front, outline
// corners cut so the box reads rounded.
void DriveBox(Glyph& g, int top, int bottom) {
    g.Row(top, 2, 13, kOutline);
    g.Dot(1, top + 1, kOutline);
    g.Row(top + 1, 2, 13, kMetalShine);
    g.Dot(14, top + 1, kOutline);
    g.Column(0, top + 2, bottom - 1, kOutline);
    g.Column(15, top + 2, bottom - 1, kOutline);
    g.Row(top + 2, 1, 14, kMetalLight);
    g.Fill(1, top + 3, 14, bottom - 1, kMetal);
    g.Row(top + 3, 1, 14, kMetalShine);
    g.Row(bottom - 1, 1, 14, kMetalDark);
    g.Row(bottom, 1, 14, kOutline);
}

Glyph DrawRemovableDrive() {
    Glyph g(16, 10);
    DriveBox(g, 0, 8);
    g.Row(5, 3, 10, kOutline); // the slot, with its lit lip below
    g.Row(6, 3, 10, kMetalShine);
    g.Dot(2, 5, kMetalDark);
    g.Dot(11, 5, kMetalDark);
    g.Row(5, 12, 13, kLed);
    return g;
}

Glyph DrawFixedDrive() {
    Glyph g(16, 11);
    DriveBox(g, 0, 9);
    g.Row(5, 2, 9, kBlue); // a label in the product's blue
    g.Row(6, 2, 9, kBlueDeep);
    g.Row(6, 12, 13, kLed);
    g.Row(7, 12, 13, kMetalDark);
    return g;
}

// BITMAPFILEHEADER, BITMAPINFOHEADER (4 bpp, BI_RGB), the 16 colours, rows bottom up padded to 32 bits.
std::vector<uint8_t> EncodeBmp(const Glyph& g) {
    const uint32_t stride = ((g.Width * 4 + 31) / 32) * 4;
    const uint32_t bitsAt = 14 + 40 + 16 * 4;
    std::vector<uint8_t> out{'B', 'M'};
    PutLe(out, bitsAt + stride * g.Height, 4);
    PutLe(out, 0, 4);
    PutLe(out, bitsAt, 4);
    PutLe(out, 40, 4);
    PutLe(out, g.Width, 4);
    PutLe(out, g.Height, 4);
    PutLe(out, 1, 2);
    PutLe(out, 4, 2);
    PutLe(out, 0, 4);
    PutLe(out, stride * g.Height, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    PutLe(out, 16, 4);
    PutLe(out, 0, 4);
    for (uint32_t rgb : kGlyphPalette)
        PutLe(out, rgb, 4); // little-endian 0x00RRGGBB is the RGBQUAD order B, G, R, 0
    for (int y = g.Height - 1; y >= 0; --y) {
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < g.Width; ++x)
            row[x / 2] |= g.Pixels[static_cast<size_t>(y) * g.Width + x] << (x % 2 ? 0 : 4);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

bool Save(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (WriteFile(path, bytes)) return true;
    std::fprintf(stderr, "ulvara-make-art: cannot write %s\n", path.c_str());
    return false;
}

bool WritePng(const std::string& path, const Picture& picture) {
    PaletteImage image = Quantize(picture);
    std::vector<uint8_t> bytes;
    if (!EncodePalettePng(image.Width, image.Height, image.Palette, image.FirstIsClear, image.Indices,
                          bytes)) {
        std::fprintf(stderr, "ulvara-make-art: PNG encoding failed for %s\n", path.c_str());
        return false;
    }
    return Save(path, bytes);
}

} // namespace
} // namespace ulv::art

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ulvara-make-art OUT-FOLDER\n");
        return 2;
    }
    using namespace ulv::art;
    const std::string folder = std::string(argv[1]) + "/";
    bool ok = WritePng(folder + "logo.png", DrawBanner());
    ok = WritePng(folder + "logosmall.png", DrawSmallLogo()) && ok;
    ok = Save(folder + "openfolder.bmp", EncodeBmp(DrawOpenFolder())) && ok;
    ok = Save(folder + "closedfolder.bmp", EncodeBmp(DrawClosedFolder())) && ok;
    ok = Save(folder + "removabledrive.bmp", EncodeBmp(DrawRemovableDrive())) && ok;
    ok = Save(folder + "fixeddrive.bmp", EncodeBmp(DrawFixedDrive())) && ok;
    return ok ? 0 : 1;
}
