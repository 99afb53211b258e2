#include "vb/Variant.h"

#include "vb/Convert.h"
#include "vb/Error.h"

#include <cmath>
#include <limits>

namespace vb {

double Variant::ToDouble() const {
    switch (type()) {
    case Type::Empty:
        return 0;
    case Type::Null:
        Raise(err::InvalidUseOfNull);
    case Type::Boolean:
        return std::get<bool>(value_) ? -1 : 0;
    case Type::Integer:
        return std::get<std::int16_t>(value_);
    case Type::Long:
        return std::get<std::int32_t>(value_);
    case Type::Single:
        return std::get<float>(value_);
    case Type::Double:
        return std::get<double>(value_);
    case Type::String: {
        double value = 0;
        if (!TryParseNumber(std::get<String>(value_), value)) {
            Raise(err::TypeMismatch);
        }
        return value;
    }
    }
    Raise(err::TypeMismatch);
}

bool Variant::ToBoolean() const {
    if (type() == Type::Boolean) {
        return std::get<bool>(value_);
    }
    if (type() == Type::String) {
        const String& text = std::get<String>(value_);
        if (Equal(Trim(text), u"True", Compare::Text)) {
            return true;
        }
        if (Equal(Trim(text), u"False", Compare::Text)) {
            return false;
        }
    }
    return ToDouble() != 0;
}

String Variant::ToString() const {
    switch (type()) {
    case Type::Empty:
        return {};
    case Type::Null:
        Raise(err::InvalidUseOfNull);
    case Type::Boolean:
        return std::get<bool>(value_) ? u"True" : u"False";
    case Type::Integer:
        return CStr(std::get<std::int16_t>(value_));
    case Type::Long:
        return CStr(std::get<std::int32_t>(value_));
    case Type::Single:
        return CStr(std::get<float>(value_));
    case Type::Double:
        return CStr(std::get<double>(value_));
    case Type::String:
        return std::get<String>(value_);
    }
    return {};
}

std::optional<int> CompareVariants(const Variant& a, const Variant& b) {
    using Type = Variant::Type;
    if (a.IsNull() || b.IsNull()) {
        return std::nullopt;
    }
    const bool aText = a.type() == Type::String;
    const bool bText = b.type() == Type::String;
    if (aText && bText) {
        const int c = a.ToString().compare(b.ToString());
        return (c > 0) - (c < 0);
    }
    if (aText != bText) {
        // Empty takes the other side's kind; otherwise a number sorts before any text.
        const Variant& other = aText ? b : a;
        if (other.IsEmpty()) {
            const int c = a.ToString().compare(b.ToString());
            return (c > 0) - (c < 0);
        }
        return aText ? 1 : -1;
    }
    double x = a.ToDouble();
    double y = b.ToDouble();
    if ((a.type() == Type::Single && b.type() == Type::Double) ||
        (a.type() == Type::Double && b.type() == Type::Single)) {
        // A double compared with a single is first rounded to the single's precision; one
        // beyond the single's range stays as it is and orders the same.
        const auto single = [](double v) {
            return std::fabs(v) <= std::numeric_limits<float>::max()
                       ? static_cast<double>(static_cast<float>(v))
                       : v;
        };
        x = single(x);
        y = single(y);
    }
    return (x > y) - (x < y);
}

} // namespace vb
