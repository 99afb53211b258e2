#include "vb/Convert.h"

#include "vb/Error.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace vb {

namespace {

// The plain form of a number carried with `significant` digits: rounded once, and the
// exponent after rounding picks the form, so 999999999999999.9 is "1E+15".
String NumberText(double value, int significant) {
    if (!std::isfinite(value)) {
        Raise(err::Overflow);
    }
    if (value == 0) {
        return u"0";
    }
    char buffer[32];
    const int decimals = significant - 1;
    std::snprintf(buffer, sizeof buffer, "%.*E", decimals, std::fabs(value)); // d.dddE+xx
    std::string digits = buffer[0] + std::string(buffer + 2, static_cast<std::size_t>(decimals));
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    const int exponent = std::atoi(buffer + 3 + decimals);
    std::string text = value < 0 ? "-" : "";
    if (exponent >= significant || exponent < -5) {
        text += digits.front();
        if (digits.size() > 1) {
            text += '.' + digits.substr(1);
        }
        std::snprintf(buffer, sizeof buffer, "E%c%02d", exponent < 0 ? '-' : '+',
                      std::abs(exponent));
        text += buffer;
    } else if (exponent < 0) {
        text += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else {
        const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
        digits.resize(std::max(whole, digits.size()), '0');
        text += digits.substr(0, whole);
        if (digits.size() > whole) {
            text += '.' + digits.substr(whole);
        }
    }
    return FromAscii(text);
}

} // namespace

String CStr(double value) {
    return NumberText(value, 15);
}

String CStr(float value) {
    return NumberText(value, 7);
}

String CStr(std::int64_t value) {
    return FromAscii(std::to_string(value));
}

namespace {

String WithSignPlace(String text, bool notNegative) {
    if (notNegative) {
        text.insert(text.begin(), u' ');
    }
    return text;
}

} // namespace

String Str(double value) {
    return WithSignPlace(CStr(value), value >= 0);
}

String Str(float value) {
    return WithSignPlace(CStr(value), value >= 0);
}

namespace {

bool Ignored(Char c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// "&H" and "&O" numbers read as the runtime's literals do: up to 16 bits an Integer, up to
// 32 bits a Long, both signed, so "&HFFFF" is -1; a "&" after the digits makes a Long.
double ValRadix(std::string_view digits, int radix) {
    std::uint64_t value = 0;
    std::size_t i = 0;
    for (; i < digits.size(); ++i) {
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(digits[i])));
        const int digit = IsDigit(c) ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : radix;
        if (digit >= radix) {
            break;
        }
        value = value * static_cast<unsigned>(radix) + static_cast<unsigned>(digit);
        if (value > std::numeric_limits<std::uint32_t>::max()) {
            Raise(err::Overflow);
        }
    }
    const bool asLong = i < digits.size() && digits[i] == '&';
    if (value <= std::numeric_limits<std::uint16_t>::max() && !asLong) {
        return static_cast<std::int16_t>(value);
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Length of the run of digits at `i`.
std::size_t Digits(std::string_view s, std::size_t i) {
    std::size_t n = 0;
    while (i + n < s.size() && IsDigit(s[i + n])) {
        ++n;
    }
    return n;
}

} // namespace

double Val(StringView text) {
    // Blanks, tabs and line feeds are dropped wherever they stand; a character beyond
    // ASCII cannot continue a number, so the scan never needs to look past it.
    std::string s;
    for (const Char c : text) {
        if (c > 0x7F) {
            break;
        }
        if (!Ignored(c)) {
            s.push_back(static_cast<char>(c));
        }
    }
    if (s.size() >= 2 && s[0] == '&') {
        const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(s[1])));
        if (kind == 'H' || kind == 'O') {
            return ValRadix(std::string_view(s).substr(2), kind == 'H' ? 16 : 8);
        }
        return 0;
    }
    std::size_t end = s.empty() || (s[0] != '+' && s[0] != '-') ? 0 : 1;
    std::size_t mantissa = Digits(s, end);
    end += mantissa;
    if (end < s.size() && s[end] == '.') {
        const std::size_t fraction = Digits(s, end + 1);
        mantissa += fraction;
        end += 1 + fraction;
    }
    if (mantissa == 0) {
        return 0;
    }
    if (end < s.size() && std::strchr("EeDd", s[end]) != nullptr) {
        std::size_t sign = end + 1;
        if (sign < s.size() && (s[sign] == '+' || s[sign] == '-')) {
            ++sign;
        }
        if (const std::size_t exponent = Digits(s, sign); exponent > 0) {
            s[end] = 'E';
            end = sign + exponent;
        }
    }
    s.resize(end);
    const double value = std::strtod(s.c_str(), nullptr);
    if (std::isinf(value)) {
        Raise(err::Overflow);
    }
    return value;
}

bool TryParseNumber(StringView text, double& value) {
    const String trimmed = Trim(text);
    if (trimmed.empty()) {
        return false;
    }
    std::string ascii;
    for (const Char c : trimmed) {
        if (c > 0x7F) {
            return false;
        }
        ascii.push_back(static_cast<char>(c));
    }
    char* end = nullptr;
    const double parsed = std::strtod(ascii.c_str(), &end);
    if (end != ascii.c_str() + ascii.size() || ascii.find_first_of("xXnNiI") != std::string::npos) {
        return false;
    }
    value = parsed;
    return true;
}

float CSng(double value) {
    if (std::isnan(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
        Raise(err::Overflow);
    }
    return static_cast<float>(value);
}

double RoundHalfEven(double value) {
    return std::nearbyint(value);
}

std::int16_t CInt(double value) {
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= std::numeric_limits<std::int16_t>::min() &&
          rounded <= std::numeric_limits<std::int16_t>::max())) {
        Raise(err::Overflow);
    }
    return static_cast<std::int16_t>(rounded);
}

std::int32_t CLng(double value) {
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max())) {
        Raise(err::Overflow);
    }
    return static_cast<std::int32_t>(rounded);
}

} // namespace vb
