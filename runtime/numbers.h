// Clock, random numbers, sign functions and the conversion of floating-point
// values to integers.
//
// Numeric convention: expressions are evaluated in `long double` (a 64-bit
// significand on x86) and rounded to single precision only where a float is
// stored, through `rt_single`.
#pragma once

#include <cfloat>
#include <cstdint>
#include <cstring>

// Seconds since the clock's origin. The fine counter is chosen on the first
// call when the platform has one, else the millisecond tick; never changed.
double rt_timer();

// Next random value in [0, 1) on a grid of 1/32768; n = 0 repeats the last.
double rt_rnd(int32_t n);

// Reseeds the generator with the seed truncated toward zero; -1.0 and NaN
// take the seed from the clock. One value is drawn and discarded.
void rt_randomize(double seed);

int32_t rt_sgn_single(float x);
int32_t rt_sgn_double(double x);

// The runtime's conversion rule: round to nearest, ties to even; NaN and
// values whose rounded result lies outside the signed 32-bit range give
// -2147483648.
int32_t rt_round_to_int(long double x);

// Truncation toward zero, with the same out-of-range result.
int32_t rt_trunc_to_int(long double x);

// Floor, with the same out-of-range result.
int32_t rt_floor_to_int(long double x);

// Rounds to single precision as a store to a float variable does. On 32-bit
// x86 the value really leaves the x87 register.
inline float rt_single(long double x) {
#if defined(__i386__)
    volatile float stored = static_cast<float>(x);
    return stored;
#else
    return static_cast<float>(x);
#endif
}

// Rounds an IEEE binary128 value, given as its two little-endian 64-bit
// words (word[0] holds the low 64 fraction bits), to a 64-bit significand:
// to nearest, ties to even. The exponent range of binary128 and of the x87's
// format is the same; zeros, subnormals, infinities and NaN pass unchanged.
// A carry out of the fraction runs on into the exponent, as it must.
inline void rt_binary128_to_x87(uint64_t word[2]) {
    const uint32_t exponent = static_cast<uint32_t>(word[1] >> 48) & 0x7FFFu;
    if (exponent == 0 || exponent == 0x7FFFu) return;
    // 112 fraction bits, of which 63 stay: the 49 lowest go.
    constexpr uint64_t kDropped = (uint64_t{1} << 49) - 1;
    constexpr uint64_t kHalf = uint64_t{1} << 48;
    const uint64_t dropped = word[0] & kDropped;
    uint64_t kept = word[0] & ~kDropped;
    if (dropped > kHalf || (dropped == kHalf && ((kept >> 49) & 1u) != 0)) {
        kept += uint64_t{1} << 49;
        if (kept == 0) ++word[1];
    }
    word[0] = kept;
}

// The result of one extended-precision operation, as the x87 unit leaves it:
// rounded to a 64-bit significand (to nearest, ties to even). On x86 the
// operation itself did that and this is the value unchanged. WebAssembly's
// long double is IEEE binary128 (a 113-bit significand, in software), so
// there the value is rounded here; the effect applies this after every
// operation whose exact result may need more than 64 bits, so that the
// browser computes what the desktop computes.
inline long double rt_ext(long double x) {
#if LDBL_MANT_DIG == 113
    static_assert(sizeof(long double) == 16);
    uint64_t word[2];
    std::memcpy(word, &x, sizeof word);
    rt_binary128_to_x87(word);
    std::memcpy(&x, word, sizeof word);
#endif
    return x;
}

// The generator behind rt_rnd: state = state * 214013 + 2531011 (mod 2^32),
// value = (state >> 16) & 0x7FFF. The same seed gives the same sequence on
// every platform.
void rt_srand(uint32_t seed);
int32_t rt_rand();

// Clock state, for tests of the fine/coarse choice.
int32_t rt_timer_mode();
void rt_timer_reset();
