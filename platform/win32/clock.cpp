// Clock and process backend for Windows: the performance counter, the
// millisecond tick, Sleep, the C runtime's floating-point control and exit.
#include <windows.h>

#include <float.h>
#include <cstdlib>

#include "platform/clock.h"

namespace {

int query_frequency(int64_t* frequency) {
    LARGE_INTEGER value;
    if (!QueryPerformanceFrequency(&value)) return 0;
    *frequency = value.QuadPart;
    return 1;
}

int query_counter(int64_t* count) {
    LARGE_INTEGER value;
    BOOL ok = QueryPerformanceCounter(&value);
    *count = value.QuadPart;
    return ok ? 1 : 0;
}

uint32_t tick_count() { return static_cast<uint32_t>(GetTickCount()); }

void sleep_ms(uint32_t ms) { Sleep(ms); }

// Precision control 64-bit significand (_PC_64 = 0) and rounding to nearest
// (_RC_NEAR = 0) under the masks _MCW_PC | _MCW_RC = 0x30300; the exception
// masks stay as they are. 64-bit programs compute float and double on the
// SSE unit, which the C runtime's control governs there, and take no
// precision control from it: the rounding goes through the C runtime
// (_MCW_RC = 0x300), and the x87 unit, where long double is computed, gets
// the same two fields directly.
void set_fp_mode() {
#if defined(_WIN64)
    _controlfp(0, 0x300);
    unsigned short cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    cw = static_cast<unsigned short>((cw & ~0x0F00u) | 0x0300u);
    __asm__ volatile("fldcw %0" : : "m"(cw));
#else
    _controlfp(0, 0x30300);
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
