#include "routines/Conversion.h"
#include "vb/Convert.h"
#include "vb/Error.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>

namespace Conversion {

vb::Variant SiAlors(const vb::Variant& condition, const vb::Variant& siVrai,
                    const vb::Variant& siFaux) {
    if (condition.IsNull()) {
        return siFaux;
    }
    // A condition that cannot be read as a truth value takes the true branch, as a
    // routine that goes on past errors does.
    vb::ErrorRecord err;
    bool truth = true;
    err.Run([&] { truth = condition.ToBoolean(); });
    return truth ? siVrai : siFaux;
}

vb::Variant Maximum(const vb::Variant& valeur1, const vb::Variant& valeur2) {
    const auto order = vb::CompareVariants(valeur1, valeur2);
    return order.has_value() && *order > 0 ? valeur1 : valeur2;
}

namespace {

struct Unit {
    double size;
    double divisor;
    const char16_t* suffix;
};

constexpr Unit kUnits[] = {
    {1073741824.0, 100000000.0, u" Go"},
    {1048576.0, 100000.0, u" Mo"},
    {1024.0, 100.0, u" Ko"},
};

// A whole number's digits appended to `out`, as "%.0f" writes them, without the cost of a
// format string: the copy engine calls this after every file.
void AppendWholeDigits(vb::String& out, double value) {
    char buffer[400];
    char* end = nullptr;
    if (std::abs(value) < 9007199254740992.0) { // every whole double below 2^53 fits
        // A remainder of minus one half rounds to minus zero: still the digit 0.
        end = std::to_chars(std::begin(buffer), std::end(buffer), static_cast<std::int64_t>(value))
                  .ptr;
    } else {
        end =
            std::to_chars(std::begin(buffer), std::end(buffer), value, std::chars_format::fixed, 0)
                .ptr;
    }
    out.append(std::begin(buffer), end);
}

} // namespace

vb::String FormatTaille(double taille) {
    if (!std::isfinite(taille)) {
        return {};
    }
    for (const Unit& unit : kUnits) {
        if (taille >= unit.size) {
            const double n = vb::RoundHalfEven(taille);
            const double whole = std::trunc(n / unit.size);
            const double rest = vb::RoundHalfEven(taille - whole * unit.size);
            const double digit = std::trunc(rest / unit.divisor);
            vb::String text;
            text.reserve(24);
            AppendWholeDigits(text, whole);
            text += u',';
            AppendWholeDigits(text, digit);
            text += unit.suffix;
            return text;
        }
    }
    return vb::CStr(taille) + u" Octets";
}

} // namespace Conversion
