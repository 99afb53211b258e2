#include "forms/EventLoop.h"

#include "vb/Clock.h"
#include "vb/Handler.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace forms {

EventLoop& EventLoop::instance() {
    static EventLoop loop;
    return loop;
}

EventLoop::Id EventLoop::addTimer(std::chrono::milliseconds interval, Callback onTick) {
    const Id id = nextId_++;
    timers_[id] = Timer{interval, vb::CurrentClock().ticks() + interval, std::move(onTick)};
    return id;
}

void EventLoop::removeTimer(Id id) {
    timers_.erase(id);
}

EventLoop::Id EventLoop::watch(int fd, short events, ReadyCallback onReady,
                               const std::atomic<bool>* pending) {
    const Id id = nextId_++;
    watches_[id] = Watch{fd, events, std::move(onReady), pending};
    return id;
}

void EventLoop::setWatchEvents(Id id, short events) {
    if (const auto it = watches_.find(id); it != watches_.end()) {
        it->second.events = events;
    }
}

void EventLoop::unwatch(Id id) {
    watches_.erase(id);
}

void EventLoop::post(Callback event) {
    queue_.push_back(std::move(event));
}

void EventLoop::reset() {
    timers_.clear();
    watches_.clear();
    queue_.clear();
}

bool EventLoop::runQueued() {
    // Only the events queued before this pump: one posted by a handler waits for the next.
    std::size_t count = queue_.size();
    bool ran = false;
    while (count-- > 0 && !queue_.empty()) {
        Callback event = std::move(queue_.front());
        queue_.pop_front();
        vb::RunEventHandler(event);
        ran = true;
    }
    return ran;
}

bool EventLoop::runDueTimers() {
    const auto now = vb::CurrentClock().ticks();
    std::vector<Id> due;
    for (const auto& [id, timer] : timers_) {
        if (!timer.running && timer.due <= now) {
            due.push_back(id);
        }
    }
    for (const Id id : due) {
        auto it = timers_.find(id);
        if (it == timers_.end()) {
            continue; // removed by an earlier handler of this pump
        }
        it->second.due = now + it->second.interval;
        it->second.running = true;
        // Copy: the handler may remove its own timer.
        const Callback onTick = it->second.onTick;
        vb::RunEventHandler(onTick);
        if (it = timers_.find(id); it != timers_.end()) {
            it->second.running = false;
        }
    }
    return !due.empty();
}

bool EventLoop::pollDescriptors(int timeoutMs) {
    std::vector<pollfd> fds;
    std::vector<Id> ids;
    for (const auto& [id, w] : watches_) {
        const bool mayBeReady = timeoutMs != 0 || w.pending == nullptr || w.pending->load();
        if (!w.running && w.events != 0 && mayBeReady) {
            fds.push_back(pollfd{w.fd, w.events, 0});
            ids.push_back(id);
        }
    }
    if (fds.empty()) {
        if (timeoutMs > 0) {
            ::poll(nullptr, 0, timeoutMs);
        }
        return false;
    }
    const int ready = ::poll(fds.data(), fds.size(), timeoutMs);
    if (ready <= 0) {
        return false;
    }
    bool ran = false;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        auto it = watches_.find(ids[i]);
        if (fds[i].revents == 0 || it == watches_.end()) {
            continue;
        }
        if (ran) {
            // A handler run before may have served this watch (in a nested pump) or
            // changed what it waits for: deliver only readiness that still holds.
            fds[i] = pollfd{it->second.fd, it->second.events, 0};
            if (it->second.events == 0 || ::poll(&fds[i], 1, 0) <= 0) {
                continue;
            }
        }
        it->second.running = true;
        const ReadyCallback onReady = it->second.onReady;
        vb::RunEventHandler([&] { onReady(fds[i].revents); });
        if (it = watches_.find(ids[i]); it != watches_.end()) {
            it->second.running = false;
        }
        ran = true;
    }
    return ran;
}

int EventLoop::msUntilNextTimer() const {
    if (timers_.empty()) {
        return -1;
    }
    const auto now = vb::CurrentClock().ticks();
    auto next = std::chrono::steady_clock::time_point::max();
    for (const auto& [id, timer] : timers_) {
        if (!timer.running) {
            next = std::min(next, timer.due);
        }
    }
    if (next == std::chrono::steady_clock::time_point::max()) {
        return -1;
    }
    if (next <= now) {
        return 0;
    }
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
    return static_cast<int>(std::min<long long>(ms, 60'000));
}

bool EventLoop::doEvents() {
    bool ran = runQueued();
    ran = runDueTimers() || ran;
    ran = pollDescriptors(0) || ran;
    return ran;
}

bool EventLoop::waitEvents() {
    if (doEvents()) {
        return true;
    }
    // A timer or a watch whose handler is running (this wait may be inside it) cannot fire.
    const bool timerCanFire = std::any_of(timers_.begin(), timers_.end(),
                                          [](const auto& t) { return !t.second.running; });
    const bool watchCanFire = std::any_of(watches_.begin(), watches_.end(), [](const auto& w) {
        return !w.second.running && w.second.events != 0;
    });
    if (queue_.empty() && !timerCanFire && !watchCanFire) {
        return false;
    }
    int timeout = msUntilNextTimer();
    if (vb::CurrentClock().manual()) {
        // A manual clock moves only when a test moves it: wait briefly for descriptors.
        timeout = 10;
    }
    pollDescriptors(timeout);
    runQueued();
    runDueTimers();
    return true;
}

void EventLoop::run() {
    for (;;) {
        if (!waitEvents()) {
            // Nothing can ever arrive: only a signal ends the process now.
            ::pause();
        }
    }
}

} // namespace forms
