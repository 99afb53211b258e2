#pragma once
// The one-thread event loop: queued input events, window timers and descriptor readiness.
// Handlers may pump the loop again from inside (the runtime's DoEvents is re-entrant).
// Every callback runs as an event handler: an error escaping it ends the process.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>

namespace forms {

class EventLoop {
public:
    using Id = std::uint64_t;
    using Callback = std::function<void()>;
    using ReadyCallback = std::function<void(short revents)>;

    static EventLoop& instance();

    // A repeating timer; its first tick comes `interval` from now.
    Id addTimer(std::chrono::milliseconds interval, Callback onTick);
    void removeTimer(Id id);

    // Calls `onReady` when poll() reports `events` (POLLIN, POLLOUT...) on `fd`. When
    // `pending` is given, whoever makes `fd` ready (a signal handler, say) sets it first, and
    // a pump that does not wait polls `fd` only while it is set: a pump per file copied
    // then costs no system call for it. `onReady` clears it before serving `fd`.
    Id watch(int fd, short events, ReadyCallback onReady,
             const std::atomic<bool>* pending = nullptr);
    void setWatchEvents(Id id, short events);
    void unwatch(Id id);

    // Queues an input event; it runs at the next pump.
    void post(Callback event);

    // Runs what is pending now without waiting. Returns whether anything ran.
    bool doEvents();
    // Waits until something is pending, then runs it. Returns false at once when nothing
    // could ever arrive (no queued event, and no timer or descriptor watch that can fire:
    // one whose handler is running cannot).
    bool waitEvents();
    // Waits for events and runs them until the process ends.
    [[noreturn]] void run();

    // Drops every timer, watch and queued event (tests start from a clean loop).
    void reset();

private:
    struct Timer {
        std::chrono::milliseconds interval;
        std::chrono::steady_clock::time_point due;
        std::function<void()> onTick;
        bool running = false;
    };
    struct Watch {
        int fd;
        short events;
        ReadyCallback onReady;
        const std::atomic<bool>* pending = nullptr;
        bool running = false;
    };

    bool runQueued();
    bool runDueTimers();
    bool pollDescriptors(int timeoutMs);
    int msUntilNextTimer() const;

    Id nextId_ = 1;
    std::map<Id, Timer> timers_;
    std::map<Id, Watch> watches_;
    std::deque<Callback> queue_;
};

// Lets pending window messages through once.
inline void DoEvents() {
    EventLoop::instance().doEvents();
}

} // namespace forms
