// Draws the application icon of the word processor (a sheet of paper with a folded corner, lines
// of text and a blue pen) and writes it as an ICO file: 256 px as PNG, 48, 32 and 16 px as
// 32-bit DIBs with alpha. Everything is drawn from geometry, so the output is the same bytes on
// every run and needs no art files in the tree.
//
//   ulvara-make-icon OUT.ico
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

namespace {

constexpr int kSizes[] = {256, 48, 32, 16};
constexpr int kSamplesPerAxis = 8; // 64 samples a pixel: smooth edges even on the 16 px image

struct Point {
    double x, y;
};

struct Color {
    double r, g, b, a; // straight (not premultiplied), 0..1
};

constexpr Color Rgb(int rgb, double alpha = 1.0) {
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

constexpr Color kShadow = Rgb(0x000000, 0.22);
constexpr Color kPageEdge = Rgb(0x8A96A6);
constexpr Color kPage = Rgb(0xFFFFFF);
constexpr Color kFold = Rgb(0xDCE3EC);
constexpr Color kText = Rgb(0x9AA7B8);
constexpr Color kPenEdge = Rgb(0x0F2F6E);
constexpr Color kPenBody = Rgb(0x2A67D8);
constexpr Color kPenHighlight = Rgb(0x86AEF2);
constexpr Color kPenGrip = Rgb(0x173F8C);
constexpr Color kNib = Rgb(0x5C6677);

// A filled shape: a polygon (even-odd rule), or a thick segment with round ends when radius > 0.
struct Shape {
    std::vector<Point> points;
    double radius = 0;
    Color color;
};

bool InPolygon(const std::vector<Point>& polygon, Point p) {
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point& a = polygon[i];
        const Point& b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

bool InCapsule(Point a, Point b, double radius, Point p) {
    double dx = b.x - a.x, dy = b.y - a.y;
    double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy);
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return ex * ex + ey * ey <= radius * radius;
}

bool Contains(const Shape& shape, Point p) {
    if (shape.radius > 0) return InCapsule(shape.points[0], shape.points[1], shape.radius, p);
    return InPolygon(shape.points, p);
}

// Page geometry snapped to whole pixels so its edges stay crisp at 16 and 32 px.
struct Page {
    double left, top, right, bottom, fold, edge;
};

Page PageFor(int size) {
    auto snap = [size](double unit) { return std::round(unit * size); };
    Page page{snap(0.14), snap(0.04), snap(0.80), snap(0.94), snap(0.24), 0};
    page.edge = size >= 256 ? 4 : size >= 48 ? 2 : 1;
    return page;
}

// The outline of the sheet, moved inwards by inset (45 degree cut: the corner moves by
// inset * (sqrt 2 - 1) along each edge).
std::vector<Point> SheetOutline(const Page& page, double inset) {
    double cut = inset * (std::sqrt(2.0) - 1);
    return {{page.left + inset, page.top + inset},
            {page.right - page.fold - cut, page.top + inset},
            {page.right - inset, page.top + page.fold + cut},
            {page.right - inset, page.bottom - inset},
            {page.left + inset, page.bottom - inset}};
}

// The folded-down flap, a right triangle with its right angle towards the page's centre.
std::vector<Point> FoldOutline(const Page& page, double inset) {
    double x = page.right - page.fold, y = page.top + page.fold;
    double slant = inset * (1 + std::sqrt(2.0));
    return {{x + inset, page.top + slant}, {x + inset, y - inset}, {page.right - slant, y - inset}};
}

void AddPage(int size, std::vector<Shape>& shapes) {
    Page page = PageFor(size);
    if (size >= 32) {
        double offset = std::max(1.0, std::round(size * 0.025));
        std::vector<Point> shadow = SheetOutline(page, 0);
        for (Point& p : shadow)
            p = {p.x + offset, p.y + offset};
        shapes.push_back({shadow, 0, kShadow});
    }
    shapes.push_back({SheetOutline(page, 0), 0, kPageEdge});
    shapes.push_back({SheetOutline(page, page.edge), 0, kPage});
    shapes.push_back({FoldOutline(page, 0), 0, kPageEdge});
    shapes.push_back({FoldOutline(page, page.edge), 0, kFold});
}

// Fewer, thicker lines on small images: four 1 px lines in 16 px would merge into grey.
void AddTextLines(int size, std::vector<Shape>& shapes) {
    Page page = PageFor(size);
    int count = size <= 16 ? 3 : size <= 32 ? 4 : 5;
    double thickness = std::max(1.0, std::round(size * 0.035));
    double firstRow = std::round(page.top + page.fold + size * 0.06);
    double step = std::round((page.bottom - firstRow - size * 0.14) / count);
    double left = page.left + std::round(size * 0.10);
    double right = page.right - std::round(size * 0.10);
    for (int line = 0; line < count; ++line) {
        double y = firstRow + line * step;
        double end = line == count - 1 ? left + (right - left) * 0.55 : right;
        shapes.push_back({{{left, y}, {end, y}, {end, y + thickness}, {left, y + thickness}}, 0, kText});
    }
}

// A pen lying across the lower right of the sheet, nib down-left, drawn along its own axis.
void AddPen(int size, std::vector<Shape>& shapes) {
    const Point tip{0.34 * size, 0.90 * size};
    const Point end{0.94 * size, 0.30 * size};
    double length = std::hypot(end.x - tip.x, end.y - tip.y);
    Point along{(end.x - tip.x) / length, (end.y - tip.y) / length};
    Point across{-along.y, along.x};
    // Slimmer at 16 px, where a full-width pen with its outline would hide the text lines.
    double halfWidth = size * (size <= 16 ? 0.068 : 0.085);
    double edge = size >= 256 ? 4 : size >= 48 ? 1.6 : size >= 32 ? 1.0 : 0.7;
    auto at = [&](double t, double side) {
        return Point{tip.x + along.x * t + across.x * side, tip.y + along.y * t + across.y * side};
    };
    double nibLength = length * 0.22, gripLength = length * 0.10;
    double capStart = length - halfWidth;
    auto band = [&](double from, double to, double half) {
        return std::vector<Point>{at(from, -half), at(to, -half), at(to, half), at(from, half)};
    };
    // Outline first, one edge wider than every part, then the parts over it.
    shapes.push_back({{at(-edge * 1.5, 0), at(nibLength, -halfWidth - edge), at(nibLength, halfWidth + edge)},
                      0,
                      kPenEdge});
    shapes.push_back({{at(nibLength, 0), at(capStart, 0)}, halfWidth + edge, kPenEdge});
    shapes.push_back(
        {{at(0, 0), at(nibLength, -halfWidth * 0.75), at(nibLength, halfWidth * 0.75)}, 0, kNib});
    shapes.push_back({band(nibLength, nibLength + gripLength, halfWidth), 0, kPenGrip});
    shapes.push_back({{at(nibLength + gripLength + halfWidth, 0), at(capStart, 0)}, halfWidth, kPenBody});
    shapes.push_back(
        {band(nibLength + gripLength, nibLength + gripLength + halfWidth, halfWidth), 0, kPenBody});
    if (size >= 32) {
        double stripe = halfWidth * 0.28;
        shapes.push_back({band(nibLength + gripLength + stripe, capStart, stripe * 0.6), 0, kPenHighlight});
        for (Point& p : shapes.back().points)
            p = {p.x - across.x * halfWidth * 0.4, p.y - across.y * halfWidth * 0.4};
    }
}

std::vector<Shape> Artwork(int size) {
    std::vector<Shape> shapes;
    AddPage(size, shapes);
    AddTextLines(size, shapes);
    AddPen(size, shapes);
    return shapes;
}

// Straight-alpha RGBA, top row first.
std::vector<uint8_t> Render(int size) {
    std::vector<Shape> shapes = Artwork(size);
    std::vector<uint8_t> rgba(static_cast<size_t>(size) * size * 4);
    const int samples = kSamplesPerAxis * kSamplesPerAxis;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            double r = 0, g = 0, b = 0, a = 0; // premultiplied sums over the samples
            for (int s = 0; s < samples; ++s) {
                Point p{x + (s % kSamplesPerAxis + 0.5) / kSamplesPerAxis,
                        y + (s / kSamplesPerAxis + 0.5) / kSamplesPerAxis};
                double sr = 0, sg = 0, sb = 0, sa = 0;
                for (const Shape& shape : shapes) {
                    if (!Contains(shape, p)) continue;
                    const Color& c = shape.color;
                    sr = c.r * c.a + sr * (1 - c.a);
                    sg = c.g * c.a + sg * (1 - c.a);
                    sb = c.b * c.a + sb * (1 - c.a);
                    sa = c.a + sa * (1 - c.a);
                }
                r += sr, g += sg, b += sb, a += sa;
            }
            uint8_t* out = &rgba[(static_cast<size_t>(y) * size + x) * 4];
            uint8_t alpha = static_cast<uint8_t>(std::lround(a / samples * 255));
            if (alpha == 0) continue; // fully clear pixels stay 0,0,0,0 for the AND mask
            auto channel = [&](double sum) {
                return static_cast<uint8_t>(std::lround(std::min(1.0, sum / a) * 255));
            };
            out[0] = channel(r), out[1] = channel(g), out[2] = channel(b), out[3] = alpha;
        }
    }
    return rgba;
}

void PngToMemory(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

// No time or text chunks, fixed compression settings: the same bytes on every run.
bool EncodePng(const std::vector<uint8_t>& rgba, int size, std::vector<uint8_t>& out) {
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
    png_set_IHDR(png, info, size, size, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_bytep> rows(static_cast<size_t>(size));
    for (int y = 0; y < size; ++y)
        rows[y] = const_cast<png_bytep>(&rgba[static_cast<size_t>(y) * size * 4]);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// An icon DIB: BITMAPINFOHEADER with the height of colour and mask together, BGRA rows bottom
// up, then the 1-bit AND mask (rows padded to 32 bits) that marks the clear pixels for
// renderers that ignore alpha.
std::vector<uint8_t> EncodeDib(const std::vector<uint8_t>& rgba, int size) {
    const uint32_t maskStride = ((size + 31) / 32) * 4;
    const uint32_t imageBytes = size * size * 4 + maskStride * size;
    std::vector<uint8_t> out;
    PutLe(out, 40, 4);
    PutLe(out, size, 4);
    PutLe(out, size * 2, 4);
    PutLe(out, 1, 2);  // planes
    PutLe(out, 32, 2); // bits per pixel
    PutLe(out, 0, 4);  // BI_RGB
    PutLe(out, imageBytes, 4);
    for (int i = 0; i < 4; ++i)
        PutLe(out, 0, 4); // resolution, palette
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const uint8_t* p = &rgba[(static_cast<size_t>(y) * size + x) * 4];
            out.insert(out.end(), {p[2], p[1], p[0], p[3]});
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        std::vector<uint8_t> row(maskStride, 0);
        for (int x = 0; x < size; ++x) {
            if (rgba[(static_cast<size_t>(y) * size + x) * 4 + 3] == 0) row[x / 8] |= 0x80 >> (x % 8);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

bool BuildIcon(std::vector<uint8_t>& file) {
    const int count = static_cast<int>(std::size(kSizes));
    std::vector<std::vector<uint8_t>> images;
    for (int size : kSizes) {
        std::vector<uint8_t> rgba = Render(size);
        std::vector<uint8_t> image;
        // Only the large image as PNG: older readers of small icons expect DIBs.
        if (size >= 256) {
            if (!EncodePng(rgba, size, image)) return false;
        } else {
            image = EncodeDib(rgba, size);
        }
        images.push_back(std::move(image));
    }
    PutLe(file, 0, 2);
    PutLe(file, 1, 2); // icon, not cursor
    PutLe(file, count, 2);
    uint32_t offset = 6 + 16 * count;
    for (int i = 0; i < count; ++i) {
        file.push_back(static_cast<uint8_t>(kSizes[i] >= 256 ? 0 : kSizes[i])); // 0 means 256
        file.push_back(static_cast<uint8_t>(kSizes[i] >= 256 ? 0 : kSizes[i]));
        file.push_back(0); // no palette
        file.push_back(0);
        PutLe(file, 1, 2);
        PutLe(file, 32, 2);
        PutLe(file, static_cast<uint32_t>(images[i].size()), 4);
        PutLe(file, offset, 4);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const auto& image : images)
        file.insert(file.end(), image.begin(), image.end());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ulvara-make-icon OUT.ico\n");
        return 2;
    }
    std::vector<uint8_t> file;
    if (!BuildIcon(file)) {
        std::fprintf(stderr, "ulvara-make-icon: PNG encoding failed\n");
        return 1;
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    bool written = out && std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (out && std::fclose(out) != 0) written = false;
    if (!written) {
        std::fprintf(stderr, "ulvara-make-icon: cannot write %s\n", argv[1]);
        std::remove(argv[1]);
        return 1;
    }
    return 0;
}
