#include "vb/Random.h"

#include <bit>
#include <cstdint>
#include <random>

namespace vb {

namespace {

std::mt19937_64& Generator() {
    static std::mt19937_64 generator;
    return generator;
}

} // namespace

void Randomize(double seed) {
    Generator().seed(std::bit_cast<std::uint64_t>(seed));
}

float Rnd() {
    // 24 bits: every value is a single exactly, and the largest stays below 1.
    constexpr float kScale = 1.0F / 16777216.0F;
    return static_cast<float>(Generator()() >> 40U) * kScale;
}

} // namespace vb
