// A scripted clock for tests: the fine counter can be switched off, and the
// counter and the tick count are set by the test.
#pragma once

#include <cstdint>

#include "platform/clock.h"

struct FakeClock {
    bool has_counter = true;
    int64_t frequency = 1000000;
    int64_t counter = 0;
    uint32_t ticks = 0;
    int frequency_queries = 0;
};

extern FakeClock fake_clock;
extern const PlatformClock fake_clock_table;

// Installs the fake (reset to its defaults) for the lifetime of the object and
// puts the build's own clock back afterwards; the runtime's clock choice is
// reset on both ends.
struct FakeClockScope {
    FakeClockScope();
    ~FakeClockScope();
};
