#include "backuprun/Artwork.h"

#include "forms/Control.h"

#include <algorithm>
#include <cmath>

namespace artwork {

namespace {

constexpr std::uint32_t kOutside = forms::Rgb(128, 128, 128);
constexpr std::uint32_t kPanel = forms::Rgb(224, 224, 224);
constexpr std::uint32_t kEdge = forms::Rgb(160, 160, 160);
constexpr std::uint32_t kLogo = forms::Rgb(31, 78, 140);
constexpr std::uint32_t kMark = forms::Rgb(255, 255, 255);

// How far a point lies outside a rounded rectangle (negative inside).
double RoundedDistance(double x, double y, double left, double top, double right, double bottom,
                       double radius) {
    const double cx = std::clamp(x, left + radius, right - radius);
    const double cy = std::clamp(y, top + radius, bottom - radius);
    return std::hypot(x - cx, y - cy) - radius;
}

double SegmentDistance(double x, double y, double ax, double ay, double bx, double by) {
    const double dx = bx - ax;
    const double dy = by - ay;
    const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(x - (ax + t * dx), y - (ay + t * dy));
}

// A rounded blue square holding a white "Q": a ring with its tail.
void DrawLogo(forms::Picture& picture, int x0, int y0, int size) {
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

} // namespace

forms::Picture Background() {
    forms::Picture picture(407, 243, kOutside);
    for (int y = 0; y < picture.Height; ++y) {
        for (int x = 0; x < picture.Width; ++x) {
            const double d =
                RoundedDistance(x + 0.5, y + 0.5, 2, 2, picture.Width - 2, picture.Height - 2, 16);
            if (d <= -1) {
                picture.At(x, y) = kPanel;
            } else if (d <= 0) {
                picture.At(x, y) = kEdge;
            }
        }
    }
    DrawLogo(picture, 12, 10, 40);
    return picture;
}

forms::Picture Icon() {
    forms::Picture picture(32, 32, kOutside);
    DrawLogo(picture, 0, 0, 32);
    return picture;
}

} // namespace artwork
