#pragma once
// The runtime's one clock: the time of day (Now) and the ticks that timers run on.
// Tests install a ManualClock so that timed behaviour is checked without sleeping.

#include <chrono>

namespace vb {

class Clock {
public:
    using WallTime = std::chrono::system_clock::time_point;
    using Ticks = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    virtual WallTime now() const = 0;
    virtual Ticks ticks() const = 0;
    // A manual clock only moves when told to: blocking waits must not sleep for it.
    virtual bool manual() const { return false; }
};

class SystemClock final : public Clock {
public:
    WallTime now() const override { return std::chrono::system_clock::now(); }
    Ticks ticks() const override { return std::chrono::steady_clock::now(); }
};

class ManualClock final : public Clock {
public:
    explicit ManualClock(WallTime start = std::chrono::system_clock::now()) : wall_(start) {}
    WallTime now() const override { return wall_; }
    Ticks ticks() const override { return ticks_; }
    bool manual() const override { return true; }
    void advance(std::chrono::milliseconds by) {
        wall_ += by;
        ticks_ += by;
    }

private:
    WallTime wall_;
    Ticks ticks_{};
};

// The clock in force; the system clock unless a test installed another.
const Clock& CurrentClock();
// Installs `clock` (nullptr restores the system clock). The caller keeps it alive.
void SetClock(const Clock* clock);

// Restores the previous clock when it goes out of scope.
class ScopedClock {
public:
    explicit ScopedClock(const Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    const Clock* previous_;
};

} // namespace vb
