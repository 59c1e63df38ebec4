#include "tests/doubles/fake_clock.h"

#include "runtime/numbers.h"

FakeClock fake_clock;

namespace {

int query_frequency(int64_t* frequency) {
    ++fake_clock.frequency_queries;
    if (!fake_clock.has_counter) return 0;
    *frequency = fake_clock.frequency;
    return 1;
}

int query_counter(int64_t* count) {
    *count = fake_clock.counter;
    return fake_clock.has_counter ? 1 : 0;
}

uint32_t tick_count() { return fake_clock.ticks; }

void sleep_ms(uint32_t ms) {
    fake_clock.ticks += ms;
    fake_clock.counter += static_cast<int64_t>(ms) * fake_clock.frequency / 1000;
}

}  // namespace

const PlatformClock fake_clock_table = {
    .query_frequency = query_frequency,
    .query_counter = query_counter,
    .tick_count = tick_count,
    .sleep = sleep_ms,
};

FakeClockScope::FakeClockScope() {
    fake_clock = FakeClock{};
    platform_clock = &fake_clock_table;
    rt_timer_reset();
}

FakeClockScope::~FakeClockScope() {
    platform_clock = &platform_native_clock;
    rt_timer_reset();
}
