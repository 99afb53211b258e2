#include "vb/String.h"

#include <algorithm>

namespace vb {

namespace {

struct CaseRange {
    Char lowerFirst;
    Char lowerLast;
    int offset;       // upper = lower - offset
    bool alternating; // pairs upper/lower on even/odd code points
};

// Ranges where lower-case letters map to upper-case ones by a fixed offset or by
// alternating pairs.
constexpr CaseRange kRanges[] = {
    {u'a', u'z', 32, false},     {0x00E0, 0x00F6, 32, false}, {0x00F8, 0x00FE, 32, false},
    {0x0101, 0x012F, 1, true},   {0x0133, 0x0137, 1, true},   {0x013A, 0x0148, 1, true},
    {0x014B, 0x0177, 1, true},   {0x017A, 0x017E, 1, true},   {0x03B1, 0x03C1, 32, false},
    {0x03C3, 0x03CB, 32, false}, {0x0430, 0x044F, 32, false}, {0x0450, 0x045F, 80, false},
    {0x0461, 0x0481, 1, true},   {0x048B, 0x04BF, 1, true},   {0x04D1, 0x04FF, 1, true},
};

} // namespace

Char UpperChar(Char c) {
    if (c < u'a') {
        return c;
    }
    if (c == 0x00FF) {
        return 0x0178;
    }
    for (const auto& r : kRanges) {
        if (c >= r.lowerFirst && c <= r.lowerLast) {
            if (r.alternating && ((c - r.lowerFirst) % 2) != 0) {
                return c;
            }
            return static_cast<Char>(c - r.offset);
        }
    }
    return c;
}

Char LowerChar(Char c) {
    if (c < u'A') {
        return c;
    }
    if (c == 0x0178) {
        return 0x00FF;
    }
    for (const auto& r : kRanges) {
        const int upper = static_cast<int>(c) + r.offset;
        if (upper >= r.lowerFirst && upper <= r.lowerLast) {
            if (r.alternating && ((upper - r.lowerFirst) % 2) != 0) {
                continue;
            }
            return static_cast<Char>(upper);
        }
    }
    return c;
}

String UCase(StringView s) {
    String out(s);
    std::transform(out.begin(), out.end(), out.begin(), UpperChar);
    return out;
}

String LCase(StringView s) {
    String out(s);
    std::transform(out.begin(), out.end(), out.begin(), LowerChar);
    return out;
}

namespace {

bool SameChar(Char a, Char b, Compare mode) {
    return a == b || (mode == Compare::Text && UpperChar(a) == UpperChar(b));
}

} // namespace

bool Equal(StringView a, StringView b, Compare mode) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!SameChar(a[i], b[i], mode)) {
            return false;
        }
    }
    return true;
}

std::size_t InStr(std::size_t start, StringView s, StringView find, Compare mode) {
    if (start == 0 || start > s.size() + 1) {
        return 0;
    }
    if (mode == Compare::Binary) {
        const auto p = s.find(find, start - 1);
        return p == StringView::npos ? 0 : p + 1;
    }
    if (find.size() > s.size()) {
        return 0;
    }
    for (std::size_t i = start - 1; i + find.size() <= s.size(); ++i) {
        if (Equal(s.substr(i, find.size()), find, mode)) {
            return i + 1;
        }
    }
    return 0;
}

String Mid(StringView s, std::size_t start, std::size_t length) {
    if (start == 0 || start > s.size()) {
        return {};
    }
    return String(s.substr(start - 1, length));
}

String Left(StringView s, std::size_t length) {
    return String(s.substr(0, length));
}

String Right(StringView s, std::size_t length) {
    return length >= s.size() ? String(s) : String(s.substr(s.size() - length));
}

String LTrim(StringView s) {
    const auto p = s.find_first_not_of(u' ');
    return p == StringView::npos ? String() : String(s.substr(p));
}

String RTrim(StringView s) {
    const auto p = s.find_last_not_of(u' ');
    return p == StringView::npos ? String() : String(s.substr(0, p + 1));
}

String Trim(StringView s) {
    return LTrim(RTrim(s));
}

String Repeat(Char c, std::size_t count) {
    return String(count, c);
}

String FromAscii(std::string_view s) {
    return String(s.begin(), s.end());
}

} // namespace vb
