// Clock and process backend for POSIX systems.
#include <cfenv>
#include <cstdlib>
#include <ctime>

#include "platform/clock.h"

namespace {

constexpr int64_t kNanosecondsPerSecond = 1000000000;

int query_frequency(int64_t* frequency) {
    timespec ts;
    if (clock_getres(CLOCK_MONOTONIC, &ts) != 0) return 0;
    *frequency = kNanosecondsPerSecond;
    return 1;
}

int query_counter(int64_t* count) {
    timespec ts;
    if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0) return 0;
    *count = static_cast<int64_t>(ts.tv_sec) * kNanosecondsPerSecond + ts.tv_nsec;
    return 1;
}

uint32_t tick_count() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                                 static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

void sleep_ms(uint32_t ms) {
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    if (ms == 0) ts.tv_nsec = 1;
    while (nanosleep(&ts, &ts) != 0) {
    }
}

void set_fp_mode() {
    std::fesetround(FE_TONEAREST);
#if defined(__i386__) || defined(__x86_64__)
    // x87 control word: precision control (bits 8-9) = 11b, 64-bit
    // significand; rounding control (bits 10-11) = 00b, to nearest.
    unsigned short cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    cw = static_cast<unsigned short>((cw & ~0x0F00u) | 0x0300u);
    __asm__ volatile("fldcw %0" : : "m"(cw));
#endif
}

int at_exit(void (*procedure)()) { return std::atexit(procedure); }

[[noreturn]] void exit_process(int code) { std::exit(code); }

}  // namespace

const PlatformClock platform_native_clock = {
    .query_frequency = query_frequency,
    .query_counter = query_counter,
    .tick_count = tick_count,
    .sleep = sleep_ms,
};
const PlatformProcess platform_native_process = {
    .set_fp_mode = set_fp_mode,
    .at_exit = at_exit,
    .exit = exit_process,
};
