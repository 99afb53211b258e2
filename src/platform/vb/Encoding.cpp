#include "vb/Encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace vb {

namespace {

// Code points of Windows-1252 bytes 0x80..0x9F; 0 where the code page leaves the byte
// undefined (those bytes map to the C1 control of the same value).
constexpr std::array<char16_t, 32> kHigh1252 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t From1252(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F && kHigh1252[b - 0x80] != 0) {
        return kHigh1252[b - 0x80];
    }
    return b;
}

std::optional<unsigned char> To1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<unsigned char>(c);
    }
    for (std::size_t i = 0; i < kHigh1252.size(); ++i) {
        if (kHigh1252[i] == c) {
            return static_cast<unsigned char>(0x80 + i);
        }
    }
    // A C1 control has a byte of its own only where the code page leaves that byte free.
    if (c >= 0x80 && c <= 0x9F && kHigh1252[c - 0x80] == 0) {
        return static_cast<unsigned char>(c);
    }
    return std::nullopt;
}

// Length of the valid UTF-8 sequence at `pos`, and its code point; 0 when invalid.
std::size_t Utf8Sequence(std::string_view s, std::size_t pos, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t len = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (pos + len > s.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return len;
}

void AppendUtf16(String& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

template <typename OnInvalid> String DecodeUtf8(std::string_view bytes, OnInvalid onInvalid) {
    String out;
    out.reserve(bytes.size());
    for (std::size_t pos = 0; pos < bytes.size();) {
        char32_t cp = 0;
        const std::size_t len = Utf8Sequence(bytes, pos, cp);
        if (len == 0) {
            out.push_back(onInvalid(static_cast<unsigned char>(bytes[pos])));
            ++pos;
        } else {
            AppendUtf16(out, cp);
            pos += len;
        }
    }
    return out;
}

// Walks UTF-16 code points; `lone` handles an unpaired surrogate.
template <typename OnCodePoint, typename OnLone>
void ForEachCodePoint(StringView text, OnCodePoint onCp, OnLone onLone) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            onCp(0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            onLone(c);
        } else {
            onCp(c);
        }
    }
}

} // namespace

String DecodeName(std::string_view bytes) {
    return DecodeUtf8(bytes, [](unsigned char b) { return static_cast<char16_t>(0xDC00 + b); });
}

std::string EncodeName(StringView name) {
    // Plain ASCII names, the common case, go across as they are.
    if (std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 0x80; })) {
        return std::string(name.begin(), name.end());
    }
    std::string out;
    out.reserve(name.size());
    ForEachCodePoint(
        name, [&](char32_t cp) { AppendUtf8(out, cp); },
        [&](char16_t c) {
            if (c >= 0xDC80 && c <= 0xDCFF) {
                out.push_back(static_cast<char>(c - 0xDC00));
            } else {
                AppendUtf8(out, 0xFFFD);
            }
        });
    return out;
}

String DecodeText(std::string_view bytes) {
    return DecodeUtf8(bytes, From1252);
}

std::string EncodeText(StringView text) {
    return EncodeName(text);
}

String DecodeWindows1252(std::string_view bytes) {
    String out;
    out.reserve(bytes.size());
    for (const char b : bytes) {
        out.push_back(From1252(static_cast<unsigned char>(b)));
    }
    return out;
}

std::string EncodeWindows1252(StringView text) {
    std::string out;
    out.reserve(text.size());
    ForEachCodePoint(
        text, [&](char32_t cp) { out.push_back(static_cast<char>(To1252(cp).value_or('?'))); },
        [&](char16_t) { out.push_back('?'); });
    return out;
}

namespace {

// UTF-8 of `text` with each character given by `shown`; lone surrogates become U+FFFD.
template <typename Shown> std::string Utf8Of(StringView text, Shown shown) {
    std::string out;
    out.reserve(text.size());
    ForEachCodePoint(
        text, [&](char32_t cp) { AppendUtf8(out, shown(cp)); },
        [&](char16_t) { AppendUtf8(out, 0xFFFD); });
    return out;
}

} // namespace

std::string ToUtf8(StringView text) {
    return Utf8Of(text, [](char32_t cp) { return cp; });
}

std::string ToTerminal(StringView text) {
    return Utf8Of(text, [](char32_t cp) -> char32_t {
        const bool control = cp < 0x20 || (cp >= 0x7F && cp < 0xA0);
        return cp == U'\t' ? U' ' : control ? 0xFFFD : cp;
    });
}

} // namespace vb
