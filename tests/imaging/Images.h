#pragma once
// Test helpers for the image buffers: pixels by position, (x, y) counted from the top left
// corner of the picture while the bits run bottom-up, and the error a step raises.

#include "vb/Error.h"

#include <cstdint>
#include <functional>
#include <optional>

struct Bgr {
    std::uint8_t b = 0, g = 0, r = 0;
    bool operator==(const Bgr&) const = default;
};

template <typename Image> std::uint8_t* PixelAt(const Image& image, int x, int y) {
    return image.DIBSectionBitsPtr() +
           static_cast<std::ptrdiff_t>(image.Height() - 1 - y) * image.BytesPerScanLine() +
           static_cast<std::ptrdiff_t>(x) * 3;
}

template <typename Image> Bgr GetPixel(const Image& image, int x, int y) {
    const std::uint8_t* p = PixelAt(image, x, y);
    return {p[0], p[1], p[2]};
}

template <typename Image> void SetPixel(const Image& image, int x, int y, Bgr c) {
    std::uint8_t* p = PixelAt(image, x, y);
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

// A colour of its own for every pixel.
inline Bgr Pattern(int x, int y) {
    return {static_cast<std::uint8_t>(x * 7 + 1), static_cast<std::uint8_t>(y * 11 + 2),
            static_cast<std::uint8_t>((x + y) * 13 + 3)};
}

template <typename Image> void Paint(const Image& image) {
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            SetPixel(image, x, y, Pattern(x, y));
        }
    }
}

inline std::optional<vb::Error> ErrorRaisedBy(const std::function<void()>& step) {
    try {
        step();
    } catch (const vb::Error& e) {
        return e;
    }
    return std::nullopt;
}

inline int ErrorNumberOf(const std::function<void()>& step) {
    const std::optional<vb::Error> e = ErrorRaisedBy(step);
    return e ? e->number() : 0;
}
