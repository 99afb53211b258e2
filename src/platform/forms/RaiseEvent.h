#pragma once
// Raising an event: its handler, when it has one, runs from a copy, since it may replace
// itself or unload the object that holds it.

#include <functional>
#include <type_traits>

namespace forms {

template <typename... Args>
void RaiseEvent(const std::function<void(Args...)>& event, std::type_identity_t<Args>... args) {
    if (event) {
        const auto handler = event;
        handler(args...);
    }
}

} // namespace forms
