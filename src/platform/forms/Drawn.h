#pragma once
// What the presenters draw says when it changes, so that a window left alone is never
// composed again: every change to a drawn property, to a placement, to the order or the set
// of controls, or to the set of forms counts in one process-wide number, which a presenter
// compares with the one its picture was composed at.

#include <cstdint>
#include <string_view>
#include <type_traits>
#include <utility>

namespace forms {

// How many changes to what the presenters draw there have been.
std::uint64_t DrawnChanges();
// Counts one.
void NoteDrawnChange();

// A property that the presenters draw: read like its value; setting it to another value
// counts as a change.
template <typename T> class Drawn {
public:
    Drawn() = default;
    explicit Drawn(T value) : value_(std::move(value)) {}
    Drawn(const Drawn&) = default;
    Drawn& operator=(const Drawn& other) { return *this = other.value_; }
    Drawn& operator=(T value) {
        if (!(value == value_)) {
            value_ = std::move(value);
            NoteDrawnChange();
        }
        return *this;
    }
    ~Drawn() = default;

    operator const T&() const { return value_; }
    // A text is read where a view of one is expected too.
    template <typename C, typename Traits>
    requires std::is_convertible_v<const T&, std::basic_string_view<C, Traits>>
    operator std::basic_string_view<C, Traits>() const { return value_; }
    const T* operator->() const { return &value_; }

    // The reading members of a text, at hand.
    bool empty() const requires requires(const T& v) { v.empty(); }
    { return value_.empty(); }
    template <typename... A>
    requires requires(const T& v, A&&... a) { v.rfind(std::forward<A>(a)...); }
    auto rfind(A&&... a) const { return value_.rfind(std::forward<A>(a)...); }

    template <typename U> friend bool operator==(const Drawn& a, const U& b) {
        if constexpr (std::is_arithmetic_v<T> && std::is_arithmetic_v<U>) {
            return a.value_ == static_cast<T>(b);
        } else {
            return a.value_ == b;
        }
    }
    template <typename U>
    friend auto operator+(const Drawn& a, const U& b) -> decltype(std::declval<const T&>() + b) {
        return a.value_ + b;
    }
    template <typename U>
    friend auto operator+(const U& a, const Drawn& b) -> decltype(a + std::declval<const T&>()) {
        return a + b.value_;
    }

private:
    T value_{};
};

} // namespace forms
