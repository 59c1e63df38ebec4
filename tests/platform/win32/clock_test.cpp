// The Windows clock and process backend against the real system calls.
#include <windows.h>

#include <float.h>
#include <cstdio>

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace {

unsigned short x87_control_word() {
    unsigned short cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    return cw;
}

void load_x87_control_word(unsigned short cw) { __asm__ volatile("fldcw %0" : : "m"(cw)); }

TEST(Win32Clock, FineCounterAdvancesWithTheTickAndSleep) {
    const PlatformClock& clock = platform_native_clock;
    int64_t frequency = 0;
    ASSERT_EQ(clock.query_frequency(&frequency), 1);
    ASSERT_GT(frequency, 0);

    int64_t before = 0, after = 0;
    ASSERT_EQ(clock.query_counter(&before), 1);
    uint32_t tick_before = clock.tick_count();
    clock.sleep(60);
    ASSERT_EQ(clock.query_counter(&after), 1);
    uint32_t tick_after = clock.tick_count();

    // Sleep(60) lasts at least about 60 ms on both clocks (the tick's own
    // granularity is up to 16 ms) and not absurdly long.
    double seconds = static_cast<double>(after - before) / static_cast<double>(frequency);
    EXPECT_GE(seconds, 0.045);
    EXPECT_LT(seconds, 5.0);
    uint32_t ms = tick_after - tick_before;
    EXPECT_GE(ms, 40u);
    EXPECT_LT(ms, 5000u);
}

TEST(Win32Process, FloatingPointModeIsExtendedPrecisionToNearest) {
    unsigned short saved = x87_control_word();
    // Start from 53-bit precision, rounding toward zero, and a changed
    // exception mask (the zero-divide mask cleared).
    unsigned short odd = static_cast<unsigned short>((saved & ~0x0F04u) | 0x0200u | 0x0C00u);
    load_x87_control_word(odd);

    platform_native_process.set_fp_mode();
    unsigned short cw = x87_control_word();
    EXPECT_EQ(cw & 0x0300u, 0x0300u) << std::hex << cw;  // 64-bit significand
    EXPECT_EQ(cw & 0x0C00u, 0x0000u) << std::hex << cw;  // to nearest
    EXPECT_EQ(cw & 0x003Fu, odd & 0x003Fu) << std::hex << cw;  // masks kept

    // With a 64-bit significand, 1 + 2^-60 is not 1 in a register.
    volatile long double tiny = 0x1p-60L;
    long double sum = 1.0L + tiny;
    EXPECT_NE(sum, 1.0L);

    load_x87_control_word(saved);
}

void first_registered() { std::fputs("first\n", stderr); }
void second_registered() { std::fputs("second\n", stderr); }

TEST(Win32Process, ExitRunsAtExitProceduresInReverseAndPassesTheStatus) {
    EXPECT_EXIT(
        {
            platform_native_process.at_exit(first_registered);
            platform_native_process.at_exit(second_registered);
            platform_native_process.exit(7);
        },
        ::testing::ExitedWithCode(7), "second\\s+first");
    // -1 leaves the process as 0xFFFFFFFF; a shell sees 255.
    EXPECT_EXIT(platform_native_process.exit(-1), ::testing::ExitedWithCode(-1), "");
}

}  // namespace
