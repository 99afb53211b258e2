#include "imaging/DibByteView.h"
#include "imaging/cDIBSection.h"
#include "vb/Arithmetic.h"
#include "vb/Convert.h"

#include <algorithm>
#include <array>

namespace {

// A double held as a single, as the resampler keeps its scales and positions.
float Single(double value) {
    return static_cast<float>(value);
}

// (1 - f) x a + f x b in double precision, to the nearest whole number (halves to even).
double Blend(float f, double a, double b) {
    const double weight = f;
    return vb::RoundHalfEven((1.0 - weight) * a + weight * b);
}

} // namespace

std::unique_ptr<cDIBSection> cDIBSection::Resample(std::int32_t lNewHeight,
                                                   std::int32_t lNewWidth) {
    auto resampled = std::make_unique<cDIBSection>();
    if (!resampled->Create(lNewWidth, lNewHeight)) {
        return nullptr;
    }
    if (DIBSectionBitsPtr() == nullptr) {
        // Only the header tells a size: there are no pixels to copy or to sample.
        vb::Raise(vb::err::SubscriptOutOfRange);
    }
    if (lNewWidth == Width() && lNewHeight == Height()) {
        resampled->LoadPictureBlt(hdc(), 0, 0, -1, -1, SrcCopy);
    } else {
        ResampleInto(*resampled);
    }
    return resampled;
}

void cDIBSection::ResampleInto(cDIBSection& destination) const {
    const DibByteView source(DIBSectionBitsPtr(), BytesPerScanLine(), Height());
    const DibByteView target(destination.DIBSectionBitsPtr(), destination.BytesPerScanLine(),
                             destination.Height());
    const float across = Single(static_cast<double>(vb::SubLong(Width(), 1)) /
                                static_cast<double>(destination.Width()));
    const float down = Single(static_cast<double>(vb::SubLong(Height(), 1)) /
                              static_cast<double>(destination.Height()));
    const std::int32_t lastColumn = vb::SubLong(destination.Width(), 1);
    const std::int32_t lastLine = vb::SubLong(destination.Height(), 1);

    for (std::int32_t y = 0; y <= lastLine; ++y) {
        const float sy = Single(static_cast<double>(y) * static_cast<double>(down));
        const std::int32_t iy = vb::FloorLong(sy);
        const float fy = Single(static_cast<double>(sy) - iy);
        const std::int32_t below = vb::AddLong(iy, 1);
        for (std::int32_t x = 0; x <= lastColumn; ++x) {
            const float sx = Single(static_cast<double>(x) * static_cast<double>(across));
            const std::int32_t ix = vb::FloorLong(sx);
            const float fx = Single(static_cast<double>(sx) - ix);
            const std::int32_t c = vb::MulLong(3, ix);
            // Pixels ix and ix + 1 of scan lines iy and iy + 1, all read before any use.
            std::array<std::array<std::uint8_t, 6>, 2> around{};
            for (std::int32_t k = 0; k < 6; ++k) {
                around[0][k] = source(vb::AddLong(c, k), iy);
                around[1][k] = source(vb::AddLong(c, k), below);
            }
            const std::int32_t out = vb::MulLong(3, x);
            for (std::int32_t k = 0; k < 3; ++k) {
                // Two stages: each vertical blend is rounded before the horizontal one.
                const double left = Blend(fy, around[0][k], around[1][k]);
                const double right = Blend(fy, around[0][k + 3], around[1][k + 3]);
                const double value = std::clamp(Blend(fx, left, right), 0.0, 255.0);
                target(out + k, y) = static_cast<std::uint8_t>(value);
            }
        }
    }
}
