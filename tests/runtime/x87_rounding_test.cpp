// Single-precision stores really round. On 32-bit x86 the x87 unit keeps
// 80-bit values in its registers; the effect's float state must still be
// rounded at every store, or its animation drifts from the other platforms.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <utility>

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

// The rounding that gives WebAssembly's binary128 long double the x87's
// precision, on its bits (so it is tested where long double is another
// format too). Against the x87 itself where the compiler has binary128: its
// conversion to long double rounds the same way.
TEST(Binary128ToX87, TiesGoToEvenCarriesReachTheExponentSpecialsStay) {
    constexpr uint64_t kOne = 0x3FFF000000000000u;  // 1.0's high word
    auto rounded = [](uint64_t high, uint64_t low) {
        uint64_t word[2] = {low, high};
        rt_binary128_to_x87(word);
        return std::pair<uint64_t, uint64_t>(word[1], word[0]);
    };
    using Words = std::pair<uint64_t, uint64_t>;
    constexpr uint64_t kHalf = uint64_t{1} << 48, kUnit = uint64_t{1} << 49;
    EXPECT_EQ(rounded(kOne, kHalf), Words(kOne, 0)) << "a tie, even kept: down";
    EXPECT_EQ(rounded(kOne, kUnit | kHalf), Words(kOne, 2 * kUnit)) << "a tie, odd kept: up";
    EXPECT_EQ(rounded(kOne, kHalf + 1), Words(kOne, kUnit));
    EXPECT_EQ(rounded(kOne, kHalf - 1), Words(kOne, 0));
    EXPECT_EQ(rounded(kOne | 0xFFFFFFFFFFFFu, ~uint64_t{0}), Words(0x4000000000000000u, 0))
        << "all ones round up to the next power of two";
    EXPECT_EQ(rounded(0x7FFEFFFFFFFFFFFFu, ~uint64_t{0}), Words(0x7FFF000000000000u, 0))
        << "the largest value rounds up to infinity";
    EXPECT_EQ(rounded(0x8000000000000000u, 0x1FFFF), Words(0x8000000000000000u, 0x1FFFF))
        << "subnormal";
    EXPECT_EQ(rounded(0x7FFF800000000000u, 1), Words(0x7FFF800000000000u, 1)) << "NaN";
#if defined(__SIZEOF_FLOAT128__) && LDBL_MANT_DIG == 64
    std::mt19937_64 random(20261207);
    for (int i = 0; i < 200000; ++i) {
        // Normal values whose exponent the x87 format shares; the low bits
        // often sit at or next to the half-way point.
        const uint64_t exponent = 1 + random() % 0x7FFE;
        uint64_t low = random();
        if (i % 4 == 0) low = (low & ~(kUnit - 1)) | kHalf;
        if (i % 4 == 1) low = (low & ~(kUnit - 1)) | (kHalf + (random() % 3) - 1);
        const uint64_t high = (random() & 0x8000FFFFFFFFFFFFu) | (exponent << 48);
        __float128 value;
        const uint64_t bits[2] = {low, high};
        std::memcpy(&value, bits, sizeof value);
        const __float128 x87 = static_cast<__float128>(static_cast<long double>(value));
        uint64_t expected[2];
        std::memcpy(expected, &x87, sizeof expected);
        ASSERT_EQ(rounded(high, low), Words(expected[1], expected[0]))
            << std::hex << high << " " << low;
    }
#endif
}

}  // namespace
