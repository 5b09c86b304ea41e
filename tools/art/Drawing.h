#pragma once
// Vector drawing for the art tools: filled shapes composited over a backdrop, 64 samples a pixel, into
// a straight-alpha picture. Pure arithmetic, so a drawing gives the same bytes on every run and host.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace ulv::art {

struct Point {
    double X, Y;
};

struct Color {
    double R, G, B, A; // straight (not premultiplied), 0..1
};

constexpr Color Rgb(int rgb, double alpha = 1.0) {
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

// A filled polygon (even-odd rule), or, when Radius > 0, a thick line with round ends through its points.
struct Shape {
    std::vector<Point> Points;
    double Radius = 0;
    Color Fill;
};

using Shapes = std::vector<Shape>;

// The colour under the shapes at a point.
using Backdrop = std::function<Color(Point)>;

// Straight-alpha RGBA, top row first; pixels no sample covers are 0, 0, 0, 0.
struct Picture {
    int Width = 0, Height = 0;
    std::vector<std::uint8_t> Rgba;
};

// Moves shapes[from] and every shape after it.
void Translate(Shapes& shapes, std::size_t from, Point by);

// Each sample is the backdrop (clear without one) with the shapes composited over it in order.
Picture Render(int width, int height, const Backdrop& backdrop, const Shapes& shapes);

} // namespace ulv::art
