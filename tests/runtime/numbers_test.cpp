#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "runtime/numbers.h"
#include "tests/doubles/fake_clock.h"

TEST(Conversion, RoundsToNearestWithTiesToEven) {
    EXPECT_EQ(rt_round_to_int(2.5L), 2);
    EXPECT_EQ(rt_round_to_int(3.5L), 4);
    EXPECT_EQ(rt_round_to_int(-2.5L), -2);
    EXPECT_EQ(rt_round_to_int(-3.5L), -4);
    EXPECT_EQ(rt_round_to_int(2.4999999L), 2);
    EXPECT_EQ(rt_round_to_int(-0.5L), 0);
    EXPECT_EQ(rt_round_to_int(0.5000001L), 1);
    EXPECT_EQ(rt_round_to_int(2147483647.4L), 2147483647);
    EXPECT_EQ(rt_round_to_int(-2147483648.5L), INT32_MIN);
}

TEST(Conversion, OutOfRangeAndNotANumberGiveTheIndefiniteInteger) {
    EXPECT_EQ(rt_round_to_int(2147483647.5L), INT32_MIN);
    EXPECT_EQ(rt_round_to_int(5e9L), INT32_MIN);
    EXPECT_EQ(rt_round_to_int(-5e9L), INT32_MIN);
    EXPECT_EQ(rt_round_to_int(std::numeric_limits<long double>::infinity()), INT32_MIN);
    EXPECT_EQ(rt_round_to_int(std::numeric_limits<long double>::quiet_NaN()), INT32_MIN);
    EXPECT_EQ(rt_trunc_to_int(-12.9L), -12);
    EXPECT_EQ(rt_trunc_to_int(2147483647.9L), 2147483647);
    EXPECT_EQ(rt_trunc_to_int(2147483648.0L), INT32_MIN);
    EXPECT_EQ(rt_floor_to_int(-0.25L), -1);
    EXPECT_EQ(rt_floor_to_int(176.4L), 176);
}

TEST(Conversion, SingleRoundsAtTheStore) {
    // 1 + 2^-30 is exact in long double but not in float.
    EXPECT_EQ(rt_single(1.0L + std::ldexp(1.0L, -30)), 1.0f);
    EXPECT_EQ(rt_single(static_cast<long double>(1e16)), 1e16f);
}

TEST(Generator, FollowsTheClassicRuntimeSequence) {
    rt_srand(1);
    const int32_t expected[] = {41, 18467, 6334, 26500, 19169};
    for (int32_t value : expected) EXPECT_EQ(rt_rand(), value);
    for (int i = 0; i < 100000; ++i) {
        const int32_t v = rt_rand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

TEST(Random, ZeroRepeatsTheLastDrawAndOtherArgumentsDraw) {
    rt_srand(7);
    const int32_t first = rt_rand();
    const int32_t second = rt_rand();
    rt_srand(7);
    EXPECT_EQ(rt_rnd(-1), first / 32768.0);
    EXPECT_EQ(rt_rnd(0), first / 32768.0);
    EXPECT_EQ(rt_rnd(0), first / 32768.0);
    EXPECT_EQ(rt_rnd(7), second / 32768.0);
}

TEST(Random, NeverReachesOne) {
    // Find a seed whose second value is 32767 and check the top of the range.
    rt_srand(0);
    for (uint32_t seed = 0;; ++seed) {
        rt_srand(seed);
        rt_rand();
        if (rt_rand() == 32767) {
            rt_srand(seed);
            rt_rand();
            EXPECT_EQ(rt_rnd(1), 0.999969482421875);
            break;
        }
        ASSERT_LT(seed, 10000000u);
    }
}

TEST(Randomize, TruncatesTheSeedAndDiscardsOneDraw) {
    struct Case {
        double seed;
        uint32_t as_integer;
    };
    const Case cases[] = {{12.9, 12u}, {-12.9, static_cast<uint32_t>(-12)},
                          {5e9, 0x80000000u}, {-5e9, 0x80000000u}, {0.0, 0u}};
    for (const Case& c : cases) {
        rt_srand(c.as_integer);
        rt_rand();
        const double expected = rt_rand() / 32768.0;
        rt_randomize(c.seed);
        EXPECT_EQ(rt_rnd(1), expected) << "seed " << c.seed;
    }
}

TEST(Randomize, MinusOneAndNotANumberTakeTheClock) {
    FakeClockScope clock;
    fake_clock.has_counter = false;
    fake_clock.ticks = 42900;  // 42.9 s: the seed is 42
    rt_srand(42);
    rt_rand();
    const double expected = rt_rand() / 32768.0;
    rt_randomize(-1.0);
    EXPECT_EQ(rt_rnd(1), expected);
    rt_randomize(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(rt_rnd(1), expected);
}

TEST(Timer, UsesTheFineCounterWhenThereIsOne) {
    FakeClockScope clock;
    fake_clock.frequency = 4;
    fake_clock.counter = 10;
    EXPECT_EQ(rt_timer(), 2.5);
    EXPECT_EQ(rt_timer_mode(), 2);
    fake_clock.counter = 11;
    EXPECT_EQ(rt_timer(), 2.75);
    // The choice is made once.
    EXPECT_EQ(fake_clock.frequency_queries, 1);
}

TEST(Timer, FallsBackToTheTickCountForTheWholeRun) {
    FakeClockScope clock;
    fake_clock.has_counter = false;
    fake_clock.ticks = 1500;
    EXPECT_DOUBLE_EQ(rt_timer(), 1.5);
    EXPECT_EQ(rt_timer_mode(), 1);
    fake_clock.has_counter = true;  // appearing later changes nothing
    fake_clock.ticks = 0xFFFFFFFFu;
    EXPECT_DOUBLE_EQ(rt_timer(), 4294967.295);
    fake_clock.ticks = 0;  // the tick count wraps after 2^32 ms
    EXPECT_EQ(rt_timer(), 0.0);
    EXPECT_EQ(fake_clock.frequency_queries, 1);
}

TEST(Sign, ZeroAndNotANumberGiveZero) {
    EXPECT_EQ(rt_sgn_double(-0.0), 0);
    EXPECT_EQ(rt_sgn_double(0.0), 0);
    EXPECT_EQ(rt_sgn_double(1e-300), 1);
    EXPECT_EQ(rt_sgn_double(-1e-300), -1);
    EXPECT_EQ(rt_sgn_double(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(rt_sgn_single(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(rt_sgn_single(-0.0f), 0);
    EXPECT_EQ(rt_sgn_single(3.0f), 1);
    EXPECT_EQ(rt_sgn_single(-std::numeric_limits<float>::infinity()), -1);
}
