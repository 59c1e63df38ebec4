// Start-up and shutdown with the build's own platform tables.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>

#include "runtime/numbers.h"
#include "runtime/startup.h"

namespace {

#if defined(__i386__) || defined(__x86_64__)
unsigned short x87_control_word() {
    unsigned short cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    return cw;
}
void set_x87_control_word(unsigned short cw) { __asm__ volatile("fldcw %0" : : "m"(cw)); }
#endif

TEST(Startup, InitFixesRoundingWhateverTheProcessStartedWith) {
    for (int start : {FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        std::fesetround(start);
#if defined(__i386__) || defined(__x86_64__)
        // A 24-bit significand and rounding up on the x87 unit.
        set_x87_control_word(static_cast<unsigned short>((x87_control_word() & ~0x0F00u) | 0x0800u));
#endif
        rt_init(0, nullptr);
        EXPECT_EQ(std::fegetround(), FE_TONEAREST);
        volatile double two_and_a_half = 2.5;
        volatile double three_and_a_half = 3.5;
        EXPECT_EQ(std::lrint(two_and_a_half), 2);
        EXPECT_EQ(std::lrint(three_and_a_half), 4);
        EXPECT_EQ(rt_round_to_int(two_and_a_half), 2);
        EXPECT_EQ(rt_round_to_int(three_and_a_half), 4);
#if defined(__i386__) || defined(__x86_64__)
        EXPECT_EQ(x87_control_word() & 0x0F00u, 0x0300u);
        // A 64-bit significand keeps 2^-63 beside 1.
        volatile long double tiny = std::ldexp(1.0L, -63);
        volatile long double sum = 1.0L + tiny;
        EXPECT_NE(sum, 1.0L);
        volatile long double lrint_arg = 2.5L;
        EXPECT_EQ(std::lrintl(lrint_arg), 2);
#endif
    }
}

TEST(StartupDeathTest, EndExitsWithTheCode) {
#if defined(OMBRITH_UNDER_EMULATOR)
    // The child cannot start this program again under the emulator.
    GTEST_FLAG_SET(death_test_style, "fast");
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
#endif
    EXPECT_EXIT(rt_end(0), ::testing::ExitedWithCode(0), "");
#ifdef _WIN32
    EXPECT_EXIT(rt_end(-1), ::testing::ExitedWithCode(-1), "");
#else
    EXPECT_EXIT(rt_end(-1), ::testing::ExitedWithCode(255), "");
#endif
    EXPECT_EXIT(rt_end(3), ::testing::ExitedWithCode(3), "");
}

}  // namespace
