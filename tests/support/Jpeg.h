#pragma once
// Reads a JPEG file back with libjpeg-turbo: its size and its pixels, top row first.

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <turbojpeg.h>
#include <vector>

namespace testsupport {

struct DecodedJpeg {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    // Red, green and blue of pixel (x, y), y counted from the top.
    std::array<int, 3> at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

inline std::optional<DecodedJpeg> DecodeJpegFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    tjhandle decoder = tjInitDecompress();
    DecodedJpeg image;
    int subsampling = 0;
    int colourspace = 0;
    bool ok =
        !bytes.empty() && tjDecompressHeader3(decoder, bytes.data(), bytes.size(), &image.width,
                                              &image.height, &subsampling, &colourspace) == 0;
    if (ok) {
        image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
        ok = tjDecompress2(decoder, bytes.data(), bytes.size(), image.rgb.data(), image.width, 0,
                           image.height, TJPF_RGB, 0) == 0;
    }
    tjDestroy(decoder);
    return ok ? std::optional<DecodedJpeg>(std::move(image)) : std::nullopt;
}

} // namespace testsupport
