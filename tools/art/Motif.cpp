#include "tools/art/Motif.h"

#include <algorithm>
#include <cmath>

namespace ulv::art {
namespace {

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

// Snapped to whole pixels so the page's edges stay crisp at 16 and 32 px.
struct Page {
    double Left, Top, Right, Bottom, Fold, Edge;
};

Page PageFor(int size) {
    auto snap = [size](double unit) { return std::round(unit * size); };
    Page page{snap(0.14), snap(0.04), snap(0.80), snap(0.94), snap(0.24), 0};
    page.Edge = size >= 256 ? 4 : size >= 48 ? 2 : 1;
    return page;
}

// The outline of the sheet, moved inwards by inset (45 degree cut: the corner moves by
// inset * (sqrt 2 - 1) along each edge).
std::vector<Point> SheetOutline(const Page& page, double inset) {
    double cut = inset * (std::sqrt(2.0) - 1);
    return {{page.Left + inset, page.Top + inset},
            {page.Right - page.Fold - cut, page.Top + inset},
            {page.Right - inset, page.Top + page.Fold + cut},
            {page.Right - inset, page.Bottom - inset},
            {page.Left + inset, page.Bottom - inset}};
}

// The folded-down flap, a right triangle with its right angle towards the page's centre.
std::vector<Point> FoldOutline(const Page& page, double inset) {
    double x = page.Right - page.Fold, y = page.Top + page.Fold;
    double slant = inset * (1 + std::sqrt(2.0));
    return {{x + inset, page.Top + slant}, {x + inset, y - inset}, {page.Right - slant, y - inset}};
}

void AddPage(int size, Shapes& shapes) {
    Page page = PageFor(size);
    if (size >= 32) {
        double offset = std::max(1.0, std::round(size * 0.025));
        std::vector<Point> shadow = SheetOutline(page, 0);
        for (Point& p : shadow)
            p = {p.X + offset, p.Y + offset};
        shapes.push_back({shadow, 0, kShadow});
    }
    shapes.push_back({SheetOutline(page, 0), 0, kPageEdge});
    shapes.push_back({SheetOutline(page, page.Edge), 0, kPage});
    shapes.push_back({FoldOutline(page, 0), 0, kPageEdge});
    shapes.push_back({FoldOutline(page, page.Edge), 0, kFold});
}

// Fewer, thicker lines on small images: four 1 px lines in 16 px would merge into grey.
void AddTextLines(int size, Shapes& shapes) {
    Page page = PageFor(size);
    int count = size <= 16 ? 3 : size <= 32 ? 4 : 5;
    double thickness = std::max(1.0, std::round(size * 0.035));
    double firstRow = std::round(page.Top + page.Fold + size * 0.06);
    double step = std::round((page.Bottom - firstRow - size * 0.14) / count);
    double left = page.Left + std::round(size * 0.10);
    double right = page.Right - std::round(size * 0.10);
    for (int line = 0; line < count; ++line) {
        double y = firstRow + line * step;
        double end = line == count - 1 ? left + (right - left) * 0.55 : right;
        shapes.push_back({{{left, y}, {end, y}, {end, y + thickness}, {left, y + thickness}}, 0, kText});
    }
}

// Nib down-left, drawn along the pen's own axis.
void AddPen(int size, Shapes& shapes) {
    const Point tip{0.34 * size, 0.90 * size};
    const Point end{0.94 * size, 0.30 * size};
    double length = std::hypot(end.X - tip.X, end.Y - tip.Y);
    Point along{(end.X - tip.X) / length, (end.Y - tip.Y) / length};
    Point across{-along.Y, along.X};
    // Slimmer at 16 px, where a full-width pen with its outline would hide the text lines.
    double halfWidth = size * (size <= 16 ? 0.068 : 0.085);
    double edge = size >= 256 ? 4 : size >= 48 ? 1.6 : size >= 32 ? 1.0 : 0.7;
    auto at = [&](double t, double side) {
        return Point{tip.X + along.X * t + across.X * side, tip.Y + along.Y * t + across.Y * side};
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
        for (Point& p : shapes.back().Points)
            p = {p.X - across.X * halfWidth * 0.4, p.Y - across.Y * halfWidth * 0.4};
    }
}

} // namespace

void AddMotif(int size, Point origin, Shapes& shapes) {
    size_t first = shapes.size();
    AddPage(size, shapes);
    AddTextLines(size, shapes);
    AddPen(size, shapes);
    Translate(shapes, first, origin);
}

} // namespace ulv::art
