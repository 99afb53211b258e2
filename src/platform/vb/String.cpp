#include "vb/String.h"

#include <algorithm>

namespace vb {

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
