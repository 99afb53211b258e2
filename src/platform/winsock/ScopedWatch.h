#pragma once
// A descriptor watch of the event loop that ends with its owner.

#include "forms/EventLoop.h"

#include <utility>

namespace winsock {

class ScopedWatch {
public:
    ScopedWatch() = default;
    ScopedWatch(int fd, short events, forms::EventLoop::ReadyCallback onReady)
        : id_(forms::EventLoop::instance().watch(fd, events, std::move(onReady))) {}
    ~ScopedWatch() { reset(); }
    ScopedWatch(const ScopedWatch&) = delete;
    ScopedWatch& operator=(const ScopedWatch&) = delete;
    ScopedWatch(ScopedWatch&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
    ScopedWatch& operator=(ScopedWatch&& other) noexcept {
        if (this != &other) {
            reset();
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }

    void setEvents(short events) const {
        if (id_ != 0) {
            forms::EventLoop::instance().setWatchEvents(id_, events);
        }
    }
    void reset() {
        if (id_ != 0) {
            forms::EventLoop::instance().unwatch(std::exchange(id_, 0));
        }
    }

private:
    forms::EventLoop::Id id_ = 0;
};

} // namespace winsock
