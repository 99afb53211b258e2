#include "forms/Timer.h"

#include "forms/RaiseEvent.h"
#include "vb/Error.h"

namespace forms {

Timer::Timer(Container& parent, vb::String name, std::int32_t interval, bool enabled)
    : Control(parent, std::move(name)), interval_(interval), enabled_(enabled) {
    Visible = false;
    restart();
}

Timer::~Timer() {
    stop();
}

void Timer::Enabled(bool enabled) {
    if (enabled != enabled_) {
        enabled_ = enabled;
        restart();
    }
}

void Timer::Interval(std::int32_t milliseconds) {
    if (milliseconds < 0) {
        vb::Raise(vb::err::InvalidPropertyValue);
    }
    interval_ = milliseconds;
    restart();
}

void Timer::restart() {
    stop();
    if (enabled_ && interval_ > 0) {
        id_ = EventLoop::instance().addTimer(std::chrono::milliseconds(interval_),
                                             [this] { RaiseEvent(Tick); });
    }
}

void Timer::stop() {
    if (id_ != 0) {
        EventLoop::instance().removeTimer(id_);
        id_ = 0;
    }
}

} // namespace forms
