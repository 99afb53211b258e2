#pragma once
// Runs the event loop in a test until a condition holds, bounded in real time.

#include "forms/EventLoop.h"

#include <chrono>
#include <functional>

namespace testsupport {

inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    auto& loop = forms::EventLoop::instance();
    // Wakes the loop often, so that a wait never outlasts the limit by much.
    const forms::EventLoop::Id tick = loop.addTimer(std::chrono::milliseconds(20), [] {});
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        loop.waitEvents();
    }
    loop.removeTimer(tick);
    return done();
}

// Lets the loop run for `span` of real time, for what should not happen.
inline void PumpFor(std::chrono::milliseconds span) {
    PumpUntil([] { return false; }, span);
}

} // namespace testsupport
