#include "vb/DateTime.h"

#include <cstdio>
#include <ctime>

namespace vb {

Clock::WallTime Now() {
    return CurrentClock().now();
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
