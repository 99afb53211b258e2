#include "vb/String.h"

#include <algorithm>
#include <iterator>

namespace vb {

namespace {

struct CaseRange {
    Char lowerFirst;
    Char lowerLast;
    int offset;       // upper = lower - offset
    bool alternating; // only every other code point from lowerFirst is a lower-case letter
};

// The letters of the 16-bit range that form an upper/lower pair, each the other's only
// case form. A letter without a partner of its own (dotless i, long s, final sigma, sharp
// s) keeps its case, so that text comparison never makes two different letters equal.
constexpr CaseRange kRanges[] = {
    {0x0061, 0x007A, 32, false},     {0x00E0, 0x00F6, 32, false},
    {0x00F8, 0x00FE, 32, false},     {0x00FF, 0x00FF, -121, false},
    {0x0101, 0x012F, 1, true},       {0x0133, 0x0137, 1, true},
    {0x013A, 0x0148, 1, true},       {0x014B, 0x0177, 1, true},
    {0x017A, 0x017E, 1, true},       {0x0180, 0x0180, -195, false},
    {0x0183, 0x0185, 1, true},       {0x0188, 0x0188, 1, false},
    {0x018C, 0x018C, 1, false},      {0x0192, 0x0192, 1, false},
    {0x0195, 0x0195, -97, false},    {0x0199, 0x0199, 1, false},
    {0x019A, 0x019A, -163, false},   {0x019E, 0x019E, -130, false},
    {0x01A1, 0x01A5, 1, true},       {0x01A8, 0x01A8, 1, false},
    {0x01AD, 0x01AD, 1, false},      {0x01B0, 0x01B0, 1, false},
    {0x01B4, 0x01B6, 1, true},       {0x01B9, 0x01B9, 1, false},
    {0x01BD, 0x01BD, 1, false},      {0x01BF, 0x01BF, -56, false},
    {0x01C6, 0x01C6, 2, false},      {0x01C9, 0x01C9, 2, false},
    {0x01CC, 0x01CC, 2, false},      {0x01CE, 0x01DC, 1, true},
    {0x01DD, 0x01DD, 79, false},     {0x01DF, 0x01EF, 1, true},
    {0x01F3, 0x01F3, 2, false},      {0x01F5, 0x01F5, 1, false},
    {0x01F9, 0x021F, 1, true},       {0x0223, 0x0233, 1, true},
    {0x023C, 0x023C, 1, false},      {0x023F, 0x0240, -10815, false},
    {0x0242, 0x0242, 1, false},      {0x0247, 0x024F, 1, true},
    {0x0250, 0x0250, -10783, false}, {0x0251, 0x0251, -10780, false},
    {0x0252, 0x0252, -10782, false}, {0x0253, 0x0253, 210, false},
    {0x0254, 0x0254, 206, false},    {0x0256, 0x0257, 205, false},
    {0x0259, 0x0259, 202, false},    {0x025B, 0x025B, 203, false},
    {0x025C, 0x025C, -42319, false}, {0x0260, 0x0260, 205, false},
    {0x0261, 0x0261, -42315, false}, {0x0263, 0x0263, 207, false},
    {0x0265, 0x0265, -42280, false}, {0x0266, 0x0266, -42308, false},
    {0x0268, 0x0268, 209, false},    {0x0269, 0x0269, 211, false},
    {0x026A, 0x026A, -42308, false}, {0x026B, 0x026B, -10743, false},
    {0x026C, 0x026C, -42305, false}, {0x026F, 0x026F, 211, false},
    {0x0271, 0x0271, -10749, false}, {0x0272, 0x0272, 213, false},
    {0x0275, 0x0275, 214, false},    {0x027D, 0x027D, -10727, false},
    {0x0280, 0x0280, 218, false},    {0x0282, 0x0282, -42307, false},
    {0x0283, 0x0283, 218, false},    {0x0287, 0x0287, -42282, false},
    {0x0288, 0x0288, 218, false},    {0x0289, 0x0289, 69, false},
    {0x028A, 0x028B, 217, false},    {0x028C, 0x028C, 71, false},
    {0x0292, 0x0292, 219, false},    {0x029D, 0x029D, -42261, false},
    {0x029E, 0x029E, -42258, false}, {0x0371, 0x0373, 1, true},
    {0x0377, 0x0377, 1, false},      {0x037B, 0x037D, -130, false},
    {0x03AC, 0x03AC, 38, false},     {0x03AD, 0x03AF, 37, false},
    {0x03B1, 0x03C1, 32, false},     {0x03C3, 0x03CB, 32, false},
    {0x03CC, 0x03CC, 64, false},     {0x03CD, 0x03CE, 63, false},
    {0x03D7, 0x03D7, 8, false},      {0x03D9, 0x03EF, 1, true},
    {0x03F2, 0x03F2, -7, false},     {0x03F3, 0x03F3, 116, false},
    {0x03F8, 0x03F8, 1, false},      {0x03FB, 0x03FB, 1, false},
    {0x0430, 0x044F, 32, false},     {0x0450, 0x045F, 80, false},
    {0x0461, 0x0481, 1, true},       {0x048B, 0x04BF, 1, true},
    {0x04C2, 0x04CE, 1, true},       {0x04CF, 0x04CF, 15, false},
    {0x04D1, 0x052F, 1, true},       {0x0561, 0x0586, 48, false},
    {0x10D0, 0x10FA, -3008, false},  {0x10FD, 0x10FF, -3008, false},
    {0x13F8, 0x13FD, 8, false},      {0x1D79, 0x1D79, -35332, false},
    {0x1D7D, 0x1D7D, -3814, false},  {0x1D8E, 0x1D8E, -35384, false},
    {0x1E01, 0x1E95, 1, true},       {0x1EA1, 0x1EFF, 1, true},
    {0x1F00, 0x1F07, -8, false},     {0x1F10, 0x1F15, -8, false},
    {0x1F20, 0x1F27, -8, false},     {0x1F30, 0x1F37, -8, false},
    {0x1F40, 0x1F45, -8, false},     {0x1F51, 0x1F57, -8, true},
    {0x1F60, 0x1F67, -8, false},     {0x1F70, 0x1F71, -74, false},
    {0x1F72, 0x1F75, -86, false},    {0x1F76, 0x1F77, -100, false},
    {0x1F78, 0x1F79, -128, false},   {0x1F7A, 0x1F7B, -112, false},
    {0x1F7C, 0x1F7D, -126, false},   {0x1FB0, 0x1FB1, -8, false},
    {0x1FD0, 0x1FD1, -8, false},     {0x1FE0, 0x1FE1, -8, false},
    {0x1FE5, 0x1FE5, -7, false},     {0x214E, 0x214E, 28, false},
    {0x2170, 0x217F, 16, false},     {0x2184, 0x2184, 1, false},
    {0x24D0, 0x24E9, 26, false},     {0x2C30, 0x2C5F, 48, false},
    {0x2C61, 0x2C61, 1, false},      {0x2C65, 0x2C65, 10795, false},
    {0x2C66, 0x2C66, 10792, false},  {0x2C68, 0x2C6C, 1, true},
    {0x2C73, 0x2C73, 1, false},      {0x2C76, 0x2C76, 1, false},
    {0x2C81, 0x2CE3, 1, true},       {0x2CEC, 0x2CEE, 1, true},
    {0x2CF3, 0x2CF3, 1, false},      {0x2D00, 0x2D25, 7264, false},
    {0x2D27, 0x2D27, 7264, false},   {0x2D2D, 0x2D2D, 7264, false},
    {0xA641, 0xA66D, 1, true},       {0xA681, 0xA69B, 1, true},
    {0xA723, 0xA72F, 1, true},       {0xA733, 0xA76F, 1, true},
    {0xA77A, 0xA77C, 1, true},       {0xA77F, 0xA787, 1, true},
    {0xA78C, 0xA78C, 1, false},      {0xA791, 0xA793, 1, true},
    {0xA794, 0xA794, -48, false},    {0xA797, 0xA7A9, 1, true},
    {0xA7B5, 0xA7C3, 1, true},       {0xA7C8, 0xA7CA, 1, true},
    {0xA7D1, 0xA7D1, 1, false},      {0xA7D7, 0xA7D9, 1, true},
    {0xA7F6, 0xA7F6, 1, false},      {0xAB53, 0xAB53, 928, false},
    {0xAB70, 0xABBF, 38864, false},  {0xFF41, 0xFF5A, 32, false},
};

static_assert(std::is_sorted(std::begin(kRanges), std::end(kRanges),
                             [](const CaseRange& a, const CaseRange& b) {
                                 return a.lowerLast < b.lowerFirst;
                             }));

} // namespace

Char UpperCharBeyondAscii(Char c) {
    // Text comparison asks for every character: find its range by halves.
    const auto* after =
        std::upper_bound(std::begin(kRanges), std::end(kRanges), c,
                         [](Char value, const CaseRange& r) { return value < r.lowerFirst; });
    if (after == std::begin(kRanges)) {
        return c;
    }
    const CaseRange& r = *(after - 1);
    if (c > r.lowerLast || (r.alternating && ((c - r.lowerFirst) % 2) != 0)) {
        return c;
    }
    return static_cast<Char>(c - r.offset);
}

Char LowerChar(Char c) {
    if (c < u'A') {
        return c;
    }
    for (const auto& r : kRanges) {
        const int lower = static_cast<int>(c) + r.offset;
        if (lower >= r.lowerFirst && lower <= r.lowerLast &&
            (!r.alternating || ((lower - r.lowerFirst) % 2) == 0)) {
            return static_cast<Char>(lower);
        }
    }
    return c;
}

} // namespace vb
