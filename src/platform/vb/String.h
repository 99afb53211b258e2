#pragma once
// Text of the runtime: 16-bit characters, 1-based positions.

#include <cstdint>
#include <string>
#include <string_view>

namespace vb {

using Char = char16_t;
using String = std::u16string;
using StringView = std::u16string_view;

enum class Compare { Binary, Text };

// Upper/lower case of one character, for every letter of the 16-bit range that has a
// partner of the other case; other characters are returned unchanged.
Char UpperCharBeyondAscii(Char c);
// Inline for the common case: names are compared a character at a time in every search.
inline Char UpperChar(Char c) {
    if (c < 0x80) {
        return c >= u'a' && c <= u'z' ? static_cast<Char>(c - 32) : c;
    }
    return UpperCharBeyondAscii(c);
}
Char LowerChar(Char c);

String UCase(StringView s);
String LCase(StringView s);

// Equality under a comparison mode.
bool Equal(StringView a, StringView b, Compare mode = Compare::Binary);

// 1-based position of `find` in `s` at or after `start`, 0 when absent. An empty `find`
// is found at `start` when start <= Len(s) + 1.
std::size_t InStr(std::size_t start, StringView s, StringView find, Compare mode = Compare::Binary);
inline std::size_t InStr(StringView s, StringView find, Compare mode = Compare::Binary) {
    return InStr(1, s, find, mode);
}

// Characters from 1-based `start` on, at most `length` of them.
String Mid(StringView s, std::size_t start, std::size_t length = String::npos);
String Left(StringView s, std::size_t length);

// Blanks (character 32 only) removed.
String Trim(StringView s);
String LTrim(StringView s);
String RTrim(StringView s);

String Repeat(Char c, std::size_t count);

// ASCII literal to text, for building texts from numbers.
String FromAscii(std::string_view s);

} // namespace vb
