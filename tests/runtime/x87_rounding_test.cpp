// Single-precision stores really round. On 32-bit x86 the x87 unit keeps
// 80-bit values in its registers; the effect's float state must still be
// rounded at every store, or its animation drifts from the other platforms.
#include <cmath>
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "runtime/numbers.h"

namespace {

// Round a long double to the nearest float (ties to even) with integer
// arithmetic on its significand, independent of what the compiler does with
// float stores. Normal, positive, in-range values only.
float reference_round_to_float(long double x) {
    int exponent = 0;
    long double fraction = std::frexp(x, &exponent);  // x = fraction * 2^exponent, fraction in [0.5, 1)
    long double scaled = std::ldexp(fraction, 64);     // exact: the whole significand
    uint64_t bits = static_cast<uint64_t>(scaled);
    uint64_t kept = bits >> 40;                        // 24 significant bits
    uint64_t rest = bits & ((uint64_t{1} << 40) - 1);
    uint64_t half = uint64_t{1} << 39;
    if (rest > half || (rest == half && (kept & 1))) ++kept;
    return std::ldexp(static_cast<float>(kept), exponent - 24);
}

uint32_t float_bits(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

TEST(SinglePrecisionStores, RippleStyleAccumulationRoundsEveryStep) {
    // The driver's ripple phase: it starts at single(0.02), then
    // phase = single(0.2 + phase) once a frame, here for 1,000 frames.
    const long double step = 0.2;
    float phase = rt_single(static_cast<long double>(0.02));
    float reference = reference_round_to_float(static_cast<long double>(0.02));
    long double exact = static_cast<long double>(0.02);
    for (int i = 0; i < 1000; ++i) {
        phase = rt_single(step + phase);
        reference = reference_round_to_float(step + static_cast<long double>(reference));
        exact += step;
    }
    EXPECT_EQ(float_bits(phase), float_bits(reference));
    // Rounding to float each step drifts to about 200.018; a value kept at
    // extended precision would stay at 200.020.
    EXPECT_NEAR(phase, 200.018, 0.0005);
    EXPECT_GT(std::fabs(static_cast<long double>(phase) - exact), 0.001L);
}

// A tight loop with nothing that forces `acc` out to memory: built without
// -ffloat-store, the x87 build keeps it in a register at 64-bit precision
// across iterations and misses every rounding.
[[gnu::noinline]] float accumulate(float start, float step, int count) {
    float acc = start;
    for (int i = 0; i < count; ++i) acc = acc + step;
    return acc;
}

TEST(SinglePrecisionStores, PlainFloatVariablesRoundAtAssignment) {
    volatile float step = 0.1f;
    float acc = accumulate(0.0f, step, 1000);
    float reference = 0.0f;
    for (int i = 0; i < 1000; ++i) {
        reference = reference_round_to_float(static_cast<long double>(reference) +
                                             static_cast<long double>(static_cast<float>(step)));
    }
    EXPECT_EQ(float_bits(acc), float_bits(reference)) << acc << " vs " << reference;
}

}  // namespace
