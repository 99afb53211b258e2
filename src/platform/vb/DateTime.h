#pragma once

#include "vb/Clock.h"
#include "vb/String.h"

namespace vb {

// The time of day from the runtime's clock.
Clock::WallTime Now();

// Seconds since local midnight, with their fraction, from the runtime's clock.
float Timer();

// "dd/mm/yyyy hh:nn:ss" in local time.
String FormatDateTime(Clock::WallTime when);

} // namespace vb
