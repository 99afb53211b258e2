#include "routines/Logo.h"

#include "forms/Control.h"

#include <algorithm>
#include <cmath>

namespace Logo {

namespace {

constexpr std::uint32_t kLogo = forms::Rgb(31, 78, 140);
constexpr std::uint32_t kMark = forms::Rgb(255, 255, 255);

double SegmentDistance(double x, double y, double ax, double ay, double bx, double by) {
    const double dx = bx - ax;
    const double dy = by - ay;
    const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(x - (ax + t * dx), y - (ay + t * dy));
}

} // namespace

double RoundedDistance(double x, double y, double left, double top, double right, double bottom,
                       double radius) {
    const double cx = std::clamp(x, left + radius, right - radius);
    const double cy = std::clamp(y, top + radius, bottom - radius);
    return std::hypot(x - cx, y - cy) - radius;
}

void Draw(forms::Picture& picture, int x0, int y0, int size) {
    const double s = size;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double px = x + 0.5;
            const double py = y + 0.5;
            if (RoundedDistance(px, py, 0, 0, s, s, s / 5) > 0) {
                continue;
            }
            const double ring = std::hypot(px - 0.46 * s, py - 0.46 * s);
            const bool mark =
                (ring <= 0.32 * s && ring >= 0.20 * s) ||
                SegmentDistance(px, py, 0.58 * s, 0.58 * s, 0.80 * s, 0.80 * s) <= 0.07 * s;
            picture.At(x0 + x, y0 + y) = mark ? kMark : kLogo;
        }
    }
}

} // namespace Logo
