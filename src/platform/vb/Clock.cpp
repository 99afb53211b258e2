#include "vb/Clock.h"

namespace vb {

namespace {
const SystemClock kSystemClock;
const Clock* gClock = &kSystemClock;
} // namespace

const Clock& CurrentClock() {
    return *gClock;
}

void SetClock(const Clock* clock) {
    gClock = clock != nullptr ? clock : &kSystemClock;
}

ScopedClock::ScopedClock(const Clock& clock) : previous_(&CurrentClock()) {
    SetClock(&clock);
}

ScopedClock::~ScopedClock() {
    SetClock(previous_);
}

} // namespace vb
