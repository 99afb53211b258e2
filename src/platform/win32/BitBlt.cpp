#include "win32/Gdi.h"
#include "win32/GdiObjects.h"

#include <algorithm>
#include <vector>

namespace win32 {

namespace {

constexpr std::uint32_t kWhiteBrush = 0xFFFFFF;

// Whether the ternary operation's result changes with the bits that `shift` selects in
// its index (1: destination, 2: source, 4: pattern).
bool Uses(std::uint32_t op, unsigned shift) {
    const std::uint32_t low = shift == 1 ? 0x55 : shift == 2 ? 0x33 : 0x0F;
    return ((op >> shift) & low) != (op & low);
}

std::uint32_t Apply(std::uint32_t op, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
    if (op == 0xCC) {
        return s;
    }
    std::uint32_t out = 0;
    for (unsigned i = 0; i < 8; ++i) {
        if ((op >> i) & 1U) {
            out |= ((i & 4U) != 0 ? p : ~p) & ((i & 2U) != 0 ? s : ~s) & ((i & 1U) != 0 ? d : ~d);
        }
    }
    return out & 0xFFFFFF;
}

// [first, last) of the destination range along one axis that lies in the destination
// and, when the source is used, whose source lies in the source.
struct Span {
    std::int64_t first;
    std::int64_t last;
};

Span Clip(std::int64_t dest, std::int64_t count, std::int64_t destSize, std::int64_t src,
          std::int64_t srcSize, bool withSource) {
    Span s{std::max<std::int64_t>(dest, 0), std::min(dest + count, destSize)};
    if (withSource) {
        s.first = std::max(s.first, dest - src);
        s.last = std::min(s.last, dest - src + srcSize);
    }
    return s;
}

} // namespace

bool BitBlt(HDC hdc, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, HDC hdcSrc,
            std::int32_t x1, std::int32_t y1, std::uint32_t rop) {
    gdi::Objects& objects = gdi::Objects::instance();
    const gdi::Bitmap* dest = objects.surfaceOf(hdc);
    const std::uint32_t op = (rop >> 16U) & 0xFFU;
    const bool withSource = Uses(op, 2);
    const gdi::Bitmap* src = withSource ? objects.surfaceOf(hdcSrc) : nullptr;
    if (dest == nullptr || (withSource && src == nullptr)) {
        return false;
    }
    if (cx <= 0 || cy <= 0) {
        return true;
    }
    const Span across = Clip(x, cx, dest->width, x1, withSource ? src->width : 0, withSource);
    const Span down = Clip(y, cy, dest->height, y1, withSource ? src->height : 0, withSource);
    if (across.first >= across.last || down.first >= down.last) {
        return true;
    }
    const auto width = static_cast<std::size_t>(across.last - across.first);
    const auto height = static_cast<std::size_t>(down.last - down.first);
    // The source is read whole first, so that a transfer within one bitmap reads what was
    // there before it began.
    std::vector<std::uint32_t> source;
    if (withSource) {
        source.reserve(width * height);
        for (std::int64_t dy = down.first; dy < down.last; ++dy) {
            for (std::int64_t dx = across.first; dx < across.last; ++dx) {
                source.push_back(src->get(static_cast<std::int32_t>(dx - x + x1),
                                          static_cast<std::int32_t>(dy - y + y1)));
            }
        }
    }
    const bool withDest = Uses(op, 1);
    std::size_t i = 0;
    for (std::int64_t dy = down.first; dy < down.last; ++dy) {
        for (std::int64_t dx = across.first; dx < across.last; ++dx, ++i) {
            const auto px = static_cast<std::int32_t>(dx);
            const auto py = static_cast<std::int32_t>(dy);
            const std::uint32_t s = withSource ? source[i] : 0;
            const std::uint32_t d = withDest ? dest->get(px, py) : 0;
            dest->set(px, py, Apply(op, kWhiteBrush, s, d));
        }
    }
    return true;
}

} // namespace win32
