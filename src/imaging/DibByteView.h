#pragma once
// A two-dimensional view of a DIB section's bytes: element (c, s) is byte column c of scan
// line s. Every access is checked against the bounds, and one outside them raises error 9.
// The view aliases the bits and owns nothing; over absent bits it has no element at all.

#include "vb/Error.h"

#include <cstddef>
#include <cstdint>

class DibByteView {
public:
    DibByteView(std::uint8_t* bits, std::int32_t bytesPerScanLine, std::int32_t scanLines)
        : bits_(bits), columns_(bits != nullptr ? bytesPerScanLine : 0),
          lines_(bits != nullptr ? scanLines : 0) {}

    std::uint8_t& operator()(std::int32_t column, std::int32_t line) const {
        if (column < 0 || column >= columns_ || line < 0 || line >= lines_) {
            vb::Raise(vb::err::SubscriptOutOfRange);
        }
        return bits_[static_cast<std::ptrdiff_t>(line) * columns_ + column];
    }

private:
    std::uint8_t* bits_;
    std::int32_t columns_;
    std::int32_t lines_;
};
