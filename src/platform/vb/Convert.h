#pragma once
// Number and text conversions of the runtime.

#include "vb/String.h"

#include <cstdint>

namespace vb {

// The plain number form: at most 15 significant digits, "." as the decimal separator,
// no grouping, exponent form ("1E+20") only for very large or very small magnitudes.
String CStr(double value);
// A single: 7 significant digits, exponent form from 1E+07.
String CStr(float value);
String CStr(std::int64_t value);
inline String CStr(std::int32_t value) {
    return CStr(static_cast<std::int64_t>(value));
}
inline String CStr(std::int16_t value) {
    return CStr(static_cast<std::int64_t>(value));
}

// As CStr, with a leading blank for zero and positive numbers.
String Str(double value);
String Str(float value);

// The leading number of a text: blanks, tabs and line feeds are ignored anywhere, the scan
// stops at the first character that cannot continue a number; 0 when there is none.
// "&H" and "&O" prefixes read hexadecimal and octal.
double Val(StringView text);

// A text that reads as one whole number (blanks around it allowed), as the runtime's
// implicit conversion does; empty optional when it does not.
bool TryParseNumber(StringView text, double& value);

// Rounding to the nearest whole number, a half going to the even neighbour; error 6 when
// the result does not fit.
std::int16_t CInt(double value);
std::int32_t CLng(double value);
// To a single; error 6 beyond its range.
float CSng(double value);
double RoundHalfEven(double value);

} // namespace vb
