#pragma once
// A window timer: while enabled with an interval above 0, its Tick comes every Interval
// milliseconds from the event loop. Enabling it or changing its interval starts the count
// again.

#include "forms/Control.h"
#include "forms/EventLoop.h"

#include <cstdint>
#include <functional>

namespace forms {

class Timer : public Control {
public:
    Timer(Container& parent, vb::String name, std::int32_t interval = 0, bool enabled = true);
    ~Timer() override;

    bool Enabled() const { return enabled_; }
    void Enabled(bool enabled);
    std::int32_t Interval() const { return interval_; }
    // A negative interval raises error 380.
    void Interval(std::int32_t milliseconds);

    std::function<void()> Tick;

private:
    void restart();
    void stop();

    std::int32_t interval_;
    bool enabled_;
    EventLoop::Id id_ = 0;
};

} // namespace forms
