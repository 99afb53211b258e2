#include "vb/Convert.h"

#include "vb/Error.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace vb {

String CStr(double value) {
    if (std::isnan(value) || std::isinf(value)) {
        Raise(err::Overflow);
    }
    if (value == 0) {
        return u"0";
    }
    const double magnitude = std::fabs(value);
    char buffer[64];
    if (magnitude >= 1e15 || magnitude < 1e-5) {
        std::snprintf(buffer, sizeof buffer, "%.14E", value);
        // Mantissa without trailing zeros, exponent with its sign and at least two digits.
        std::string text(buffer);
        const auto e = text.find('E');
        std::string mantissa = text.substr(0, e);
        while (mantissa.back() == '0') {
            mantissa.pop_back();
        }
        if (mantissa.back() == '.') {
            mantissa.pop_back();
        }
        const int exponent = std::atoi(text.c_str() + e + 1);
        std::snprintf(buffer, sizeof buffer, "%sE%c%02d", mantissa.c_str(),
                      exponent < 0 ? '-' : '+', std::abs(exponent));
        return FromAscii(buffer);
    }
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    std::string text(buffer);
    if (text.find('E') != std::string::npos) {
        // %G chose the exponent form for a magnitude we write out in full.
        const int digitsAfterPoint =
            std::max(0, 14 - static_cast<int>(std::floor(std::log10(magnitude))));
        std::snprintf(buffer, sizeof buffer, "%.*f", digitsAfterPoint, value);
        text = buffer;
        if (text.find('.') != std::string::npos) {
            while (text.back() == '0') {
                text.pop_back();
            }
            if (text.back() == '.') {
                text.pop_back();
            }
        }
    }
    return FromAscii(text);
}

String CStr(std::int64_t value) {
    return FromAscii(std::to_string(value));
}

String Str(double value) {
    String text = CStr(value);
    if (value >= 0) {
        text.insert(text.begin(), u' ');
    }
    return text;
}

namespace {

bool Ignored(Char c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool IsDigit(Char c) {
    return c >= u'0' && c <= u'9';
}

double ValRadix(StringView text, std::size_t i, int radix) {
    double value = 0;
    for (; i < text.size(); ++i) {
        const Char c = text[i];
        if (Ignored(c)) {
            continue;
        }
        int digit = -1;
        if (IsDigit(c)) {
            digit = c - u'0';
        } else if (radix == 16 && UpperChar(c) >= u'A' && UpperChar(c) <= u'F') {
            digit = UpperChar(c) - u'A' + 10;
        }
        if (digit < 0 || digit >= radix) {
            break;
        }
        value = value * radix + digit;
    }
    return value;
}

} // namespace

double Val(StringView text) {
    std::size_t i = 0;
    while (i < text.size() && Ignored(text[i])) {
        ++i;
    }
    if (i + 1 < text.size() && text[i] == u'&') {
        const Char kind = UpperChar(text[i + 1]);
        if (kind == u'H') {
            return ValRadix(text, i + 2, 16);
        }
        if (kind == u'O') {
            return ValRadix(text, i + 2, 8);
        }
    }
    std::string number;
    bool point = false;
    bool exponent = false;
    bool digits = false;
    for (; i < text.size(); ++i) {
        const Char c = text[i];
        if (Ignored(c)) {
            continue;
        }
        if (IsDigit(c)) {
            number.push_back(static_cast<char>(c));
            digits = true;
        } else if ((c == u'+' || c == u'-') && (number.empty() || number.back() == 'E')) {
            number.push_back(static_cast<char>(c));
        } else if (c == u'.' && !point && !exponent) {
            number.push_back('.');
            point = true;
        } else if ((UpperChar(c) == u'E' || UpperChar(c) == u'D') && digits && !exponent) {
            number.push_back('E');
            exponent = true;
        } else {
            break;
        }
    }
    if (!digits) {
        return 0;
    }
    // A dangling exponent mark or sign is not part of the number.
    while (!number.empty() &&
           (number.back() == 'E' || number.back() == '+' || number.back() == '-')) {
        number.pop_back();
    }
    return std::strtod(number.c_str(), nullptr);
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
