#include "configwindow/Artwork.h"

#include "forms/Control.h"
#include "routines/Logo.h"

#include <algorithm>
#include <cstdint>

namespace artwork {

namespace {

std::uint8_t Between(int from, int to, int step, int steps) {
    return static_cast<std::uint8_t>(from + (to - from) * step / std::max(steps - 1, 1));
}

} // namespace

forms::Picture GreyStrip() {
    forms::Picture picture(827, 75, 0);
    for (int y = 0; y < picture.Height; ++y) {
        const std::uint8_t grey = Between(236, 150, y, picture.Height);
        for (int x = 0; x < picture.Width; ++x) {
            picture.At(x, y) = forms::Rgb(grey, grey, grey);
        }
    }
    return picture;
}

forms::Picture YellowPanel() {
    forms::Picture picture(287, 49, forms::Rgb(200, 200, 200));
    for (int y = 0; y < picture.Height; ++y) {
        for (int x = 0; x < picture.Width; ++x) {
            const double d =
                Logo::RoundedDistance(x + 0.5, y + 0.5, 0, 0, picture.Width, picture.Height, 10);
            if (d <= -1) {
                picture.At(x, y) = forms::Rgb(255, 255, 204);
            } else if (d <= 0) {
                picture.At(x, y) = forms::Rgb(204, 204, 153);
            }
        }
    }
    return picture;
}

forms::Picture SplashLogo() {
    forms::Picture picture(556, 270, 0);
    for (int y = 0; y < picture.Height; ++y) {
        for (int x = 0; x < picture.Width; ++x) {
            picture.At(x, y) =
                forms::Rgb(Between(70, 20, y, picture.Height), Between(120, 50, y, picture.Height),
                           Between(190, 110, y, picture.Height));
        }
    }
    Logo::Draw(picture, 40, 35, 195);
    // Three pale bars beside the mark, the longest first.
    for (int bar = 0; bar < 3; ++bar) {
        const int top = 70 + bar * 45;
        const int right = 510 - bar * 60;
        for (int y = top; y < top + 22; ++y) {
            for (int x = 275; x < right; ++x) {
                picture.At(x, y) = forms::Rgb(225, 232, 245);
            }
        }
    }
    return picture;
}

} // namespace artwork
