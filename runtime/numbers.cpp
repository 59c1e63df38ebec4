#include "runtime/numbers.h"

#include <cmath>

#include "platform/clock.h"

namespace {

int32_t timer_mode = 0;        // 0: not chosen, 1: tick count, 2: fine counter
double counter_period = 0.0;   // seconds per fine-counter tick
double last_rnd = 0.0;
uint32_t rand_state = 1;

constexpr long double kInt32Min = -2147483648.0L;
constexpr long double kInt32Max = 2147483647.0L;

int32_t checked_integer(long double whole) {
    if (!(whole >= kInt32Min && whole <= kInt32Max)) return INT32_MIN;
    return static_cast<int32_t>(whole);
}

}  // namespace

int32_t rt_round_to_int(long double x) {
    if (std::isnan(x)) return INT32_MIN;
    long double below = std::floor(x);
    long double fraction = x - below;  // exact for every finite long double
    long double whole = below;
    if (fraction > 0.5L) {
        whole = below + 1.0L;
    } else if (fraction == 0.5L) {
        // Ties go to the even neighbour.
        if (std::fmod(below, 2.0L) != 0.0L) whole = below + 1.0L;
    }
    return checked_integer(whole);
}

int32_t rt_trunc_to_int(long double x) {
    if (std::isnan(x)) return INT32_MIN;
    return checked_integer(std::trunc(x));
}

int32_t rt_floor_to_int(long double x) {
    if (std::isnan(x)) return INT32_MIN;
    return checked_integer(std::floor(x));
}

double rt_timer() {
    if (timer_mode == 0) {
        int64_t frequency = 0;
        if (!platform_clock->query_frequency(&frequency) || frequency == 0) {
            timer_mode = 1;
        } else {
            counter_period = static_cast<double>(1.0L / static_cast<long double>(frequency));
            timer_mode = 2;
        }
    }
    if (timer_mode == 1) {
        uint32_t ms = platform_clock->tick_count();
        return static_cast<double>(static_cast<long double>(ms) * static_cast<long double>(0.001));
    }
    int64_t count = 0;
    platform_clock->query_counter(&count);
    return static_cast<double>(static_cast<long double>(count) *
                               static_cast<long double>(counter_period));
}

int32_t rt_timer_mode() { return timer_mode; }

void rt_timer_reset() {
    timer_mode = 0;
    counter_period = 0.0;
}

void rt_srand(uint32_t seed) { rand_state = seed; }

int32_t rt_rand() {
    rand_state = rand_state * 214013u + 2531011u;
    return static_cast<int32_t>((rand_state >> 16) & 0x7FFFu);
}

double rt_rnd(int32_t n) {
    if (n == 0) return last_rnd;
    const float step = 3.0517578125e-05f;  // 2^-15
    last_rnd = static_cast<double>(static_cast<long double>(rt_rand()) * step);
    return last_rnd;
}

void rt_randomize(double seed) {
    if (seed == -1.0 || std::isnan(seed)) seed = rt_timer();
    rt_srand(static_cast<uint32_t>(rt_trunc_to_int(seed)));
    rt_rand();
}

int32_t rt_sgn_single(float x) {
    if (x > 0.0f) return 1;
    if (x < 0.0f) return -1;
    return 0;
}

int32_t rt_sgn_double(double x) {
    if (x > 0.0) return 1;
    if (x < 0.0) return -1;
    return 0;
}
