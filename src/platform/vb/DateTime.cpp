#include "vb/DateTime.h"

#include <cstdio>
#include <ctime>

namespace vb {

Clock::WallTime Now() {
    return CurrentClock().now();
}

float Timer() {
    const Clock::WallTime now = CurrentClock().now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    const auto fraction = now - std::chrono::system_clock::from_time_t(t);
    return static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec +
                              std::chrono::duration<double>(fraction).count());
}

String FormatDateTime(Clock::WallTime when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d:%02d", local.tm_mday,
                  local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec);
    return FromAscii(buffer);
}

} // namespace vb
