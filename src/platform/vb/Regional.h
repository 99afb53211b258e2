#pragma once
// The user's regional settings for numbers, and the conversion that reads numbers written
// in that form (where a leading-digits scan would stop at a decimal comma).

#include "vb/String.h"

namespace vb {

struct NumberSettings {
    Char decimal = u'.';
    // 0 when numbers are written without grouping.
    Char grouping = u',';
};

// From the user's locale (LC_ALL, then LC_NUMERIC, then LANG), read once; "." and ","
// when no locale is named or the one named is not installed.
NumberSettings RegionalNumbers();
// Puts other settings in force (tests); nullptr goes back to the locale's.
void SetRegionalNumbers(const NumberSettings* settings);

// The whole text as a number in the regional form, blanks around it allowed: a sign,
// digits (grouping separators between them are skipped), one decimal separator, an
// exponent. Error 13 when it does not read so.
double CDbl(StringView text);

} // namespace vb
