#pragma once
// A picture as a form holds it: 24-bit pixels, row by row from the top left.

#include <cstdint>
#include <vector>

namespace forms {

struct Picture {
    int Width = 0;
    int Height = 0;
    // One colour per pixel, as forms::Rgb builds it.
    std::vector<std::uint32_t> Pixels;

    Picture() = default;
    Picture(int width, int height, std::uint32_t fill)
        : Width(width), Height(height),
          Pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {}

    bool Empty() const { return Pixels.empty(); }
    bool operator==(const Picture&) const = default;
    std::uint32_t& At(int x, int y) { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
    std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
};

} // namespace forms
