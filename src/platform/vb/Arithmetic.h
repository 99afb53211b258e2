#pragma once
// 32-bit signed arithmetic of the runtime: a result that does not fit raises error 6.

#include "vb/Error.h"

#include <cmath>
#include <cstdint>

namespace vb {

inline std::int32_t AddLong(std::int32_t a, std::int32_t b) {
    std::int32_t r = 0;
    if (__builtin_add_overflow(a, b, &r)) {
        Raise(err::Overflow);
    }
    return r;
}

inline std::int32_t SubLong(std::int32_t a, std::int32_t b) {
    std::int32_t r = 0;
    if (__builtin_sub_overflow(a, b, &r)) {
        Raise(err::Overflow);
    }
    return r;
}

inline std::int32_t MulLong(std::int32_t a, std::int32_t b) {
    std::int32_t r = 0;
    if (__builtin_mul_overflow(a, b, &r)) {
        Raise(err::Overflow);
    }
    return r;
}

// The largest whole number not above `value`, as a 32-bit integer.
inline std::int32_t FloorLong(double value) {
    const double whole = std::floor(value);
    if (!(whole >= -2147483648.0 && whole <= 2147483647.0)) {
        Raise(err::Overflow);
    }
    return static_cast<std::int32_t>(whole);
}

} // namespace vb
