#pragma once
// The runtime's tagged value: Empty, Null, a truth value (-1/0), a number or a text.

#include "vb/String.h"

#include <cstdint>
#include <optional>
#include <variant>

namespace vb {

class Variant {
public:
    enum class Type { Empty, Null, Boolean, Integer, Long, Single, Double, String };

    Variant() = default;
    Variant(bool value) : value_(value) {}
    Variant(std::int16_t value) : value_(value) {}
    Variant(std::int32_t value) : value_(value) {}
    Variant(float value) : value_(value) {}
    Variant(double value) : value_(value) {}
    Variant(String value) : value_(std::move(value)) {}
    Variant(const Char* value) : value_(String(value)) {}

    static Variant Null() {
        Variant v;
        v.value_ = NullTag{};
        return v;
    }

    Type type() const { return static_cast<Type>(value_.index()); }
    bool IsEmpty() const { return type() == Type::Empty; }
    bool IsNull() const { return type() == Type::Null; }
    // Empty, truth values and numbers take part in arithmetic as numbers.
    bool IsNumeric() const { return type() != Type::Null && type() != Type::String; }

    // The value as a number: a text must read as one whole (error 13 otherwise), Null
    // raises error 94, a truth value is -1 or 0.
    double ToDouble() const;
    // The value as a truth value: non-zero numbers are true; texts "True" and "False"
    // (any case) or a number text; Null raises 94, other texts 13.
    bool ToBoolean() const;
    // The value as text (CStr): numbers in their plain form, "True"/"False", Empty as "";
    // Null raises 94.
    String ToString() const;

    friend bool operator==(const Variant& a, const Variant& b) { return a.value_ == b.value_; }

private:
    struct EmptyTag {
        friend bool operator==(EmptyTag, EmptyTag) { return true; }
    };
    struct NullTag {
        friend bool operator==(NullTag, NullTag) { return true; }
    };
    std::variant<EmptyTag, NullTag, bool, std::int16_t, std::int32_t, float, double, String> value_;
};

// The runtime's comparison of two values: numbers numerically, two texts by character
// codes, a number below any text, Empty as 0 or "" as the other side needs, a double
// rounded to a single's precision when compared with one. Empty
// optional when either side is Null (the comparison is Null).
std::optional<int> CompareVariants(const Variant& a, const Variant& b);

} // namespace vb
