#pragma once

#include "vb/Clock.h"
#include "vb/String.h"

namespace vb {

// The time of day from the runtime's clock.
Clock::WallTime Now();

// "dd/mm/yyyy hh:nn:ss" in local time.
String FormatDateTime(Clock::WallTime when);

} // namespace vb
