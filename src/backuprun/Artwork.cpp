#include "backuprun/Artwork.h"

#include "forms/Control.h"
#include "routines/Logo.h"

namespace artwork {

namespace {

constexpr std::uint32_t kOutside = forms::Rgb(128, 128, 128);
constexpr std::uint32_t kPanel = forms::Rgb(224, 224, 224);
constexpr std::uint32_t kEdge = forms::Rgb(160, 160, 160);

} // namespace

forms::Picture Background() {
    forms::Picture picture(407, 243, kOutside);
    for (int y = 0; y < picture.Height; ++y) {
        for (int x = 0; x < picture.Width; ++x) {
            const double d = Logo::RoundedDistance(x + 0.5, y + 0.5, 2, 2, picture.Width - 2,
                                                   picture.Height - 2, 16);
            if (d <= -1) {
                picture.At(x, y) = kPanel;
            } else if (d <= 0) {
                picture.At(x, y) = kEdge;
            }
        }
    }
    Logo::Draw(picture, 12, 10, 40);
    return picture;
}

forms::Picture Icon() {
    forms::Picture picture(32, 32, kOutside);
    Logo::Draw(picture, 0, 0, 32);
    return picture;
}

} // namespace artwork
