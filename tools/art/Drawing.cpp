#include "tools/art/Drawing.h"

#include <algorithm>
#include <cmath>

namespace ulv::art {
namespace {

constexpr int kSamplesPerAxis = 8; // 64 samples a pixel: smooth edges even on a 16 px icon

bool InPolygon(const std::vector<Point>& polygon, Point p) {
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point& a = polygon[i];
        const Point& b = polygon[j];
        if ((a.Y > p.Y) != (b.Y > p.Y) && p.X < (b.X - a.X) * (p.Y - a.Y) / (b.Y - a.Y) + a.X)
            inside = !inside;
    }
    return inside;
}

bool InCapsule(Point a, Point b, double radius, Point p) {
    double dx = b.X - a.X, dy = b.Y - a.Y;
    double t = ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    double ex = a.X + t * dx - p.X, ey = a.Y + t * dy - p.Y;
    return ex * ex + ey * ey <= radius * radius;
}

bool Contains(const Shape& shape, Point p) {
    if (shape.Radius <= 0) return InPolygon(shape.Points, p);
    for (size_t i = 1; i < shape.Points.size(); ++i)
        if (InCapsule(shape.Points[i - 1], shape.Points[i], shape.Radius, p)) return true;
    return false;
}

struct Bounds {
    double Left, Top, Right, Bottom;
};

Bounds BoundsOf(const Shape& shape) {
    Bounds b{1e9, 1e9, -1e9, -1e9};
    for (Point p : shape.Points)
        b = {std::min(b.Left, p.X), std::min(b.Top, p.Y), std::max(b.Right, p.X), std::max(b.Bottom, p.Y)};
    return {b.Left - shape.Radius, b.Top - shape.Radius, b.Right + shape.Radius, b.Bottom + shape.Radius};
}

// Premultiplied. The bounds only spare the exact tests for the many samples far from a shape.
Color Sample(const Backdrop& backdrop, const Shapes& shapes, const std::vector<Bounds>& bounds, Point p) {
    Color c = backdrop ? backdrop(p) : Color{0, 0, 0, 0};
    c = {c.R * c.A, c.G * c.A, c.B * c.A, c.A};
    for (size_t i = 0; i < shapes.size(); ++i) {
        const Bounds& b = bounds[i];
        if (p.X < b.Left || p.X > b.Right || p.Y < b.Top || p.Y > b.Bottom || !Contains(shapes[i], p))
            continue;
        const Color& s = shapes[i].Fill;
        c = {s.R * s.A + c.R * (1 - s.A), s.G * s.A + c.G * (1 - s.A), s.B * s.A + c.B * (1 - s.A),
             s.A + c.A * (1 - s.A)};
    }
    return c;
}

} // namespace

void Translate(Shapes& shapes, size_t from, Point by) {
    for (size_t i = from; i < shapes.size(); ++i)
        for (Point& p : shapes[i].Points)
            p = {p.X + by.X, p.Y + by.Y};
}

Picture Render(int width, int height, const Backdrop& backdrop, const Shapes& shapes) {
    std::vector<Bounds> bounds;
    for (const Shape& shape : shapes)
        bounds.push_back(BoundsOf(shape));
    Picture picture{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4)};
    const int samples = kSamplesPerAxis * kSamplesPerAxis;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Color sum{0, 0, 0, 0};
            for (int s = 0; s < samples; ++s) {
                Point p{x + (s % kSamplesPerAxis + 0.5) / kSamplesPerAxis,
                        y + (s / kSamplesPerAxis + 0.5) / kSamplesPerAxis};
                Color c = Sample(backdrop, shapes, bounds, p);
                sum = {sum.R + c.R, sum.G + c.G, sum.B + c.B, sum.A + c.A};
            }
            uint8_t* out = &picture.Rgba[(static_cast<size_t>(y) * width + x) * 4];
            uint8_t alpha = static_cast<uint8_t>(std::lround(sum.A / samples * 255));
            if (alpha == 0) continue; // fully clear pixels stay 0,0,0,0 for an icon's AND mask
            auto channel = [&](double v) {
                return static_cast<uint8_t>(std::lround(std::min(1.0, v / sum.A) * 255));
            };
            out[0] = channel(sum.R), out[1] = channel(sum.G), out[2] = channel(sum.B), out[3] = alpha;
        }
    }
    return picture;
}

} // namespace ulv::art
