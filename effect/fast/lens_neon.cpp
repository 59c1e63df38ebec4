// The lens spans with NEON, two positions at a time (float64x2_t).
//
// The same evaluation and the same error bound as the AVX2 path
// (lens_avx2.cpp): the rim value in double precision as
//   d2 x (sin(L theta) cos(phi) + cos(L theta) sin(phi)) x amp + 1),
// with sin(L theta) and cos(L theta) from a table of the whole square that
// is rebuilt when the lobe count changes (same reduction and series), and
// every position whose value lies within kGuard = 2^-20 of a rounding
// boundary settled by exact_rho. Every product and sum is its own
// instruction: the build never contracts them into fused multiply-adds, so
// each one rounds as the bound assumes. The integer steps after the rim test
// are the plain ones (draw_inside).
#if defined(__aarch64__)

#include <arm_neon.h>

#include <cmath>

#include "effect/fast/lens_neon.h"

namespace lens_fast {

namespace {

constexpr double kGuard = 0x1p-20;
constexpr double kTwoOverPi = 0.63661977236758134308;
// pi/2 in two parts: the first has 33 significant bits, so k x kPio2Hi is
// exact for |k| <= 10.
constexpr double kPio2Hi = 1.57079632673412561417e+00;
constexpr double kPio2Lo = 6.07710050650619224932e-11;

// sin(y) and cos(y) for |y| <= 5 pi + 1, two at a time.
void sincos2(float64x2_t y, float64x2_t* sin_out, float64x2_t* cos_out) {
    // Round to nearest, ties to even, as the reduction of the other paths.
    const float64x2_t k = vrndnq_f64(vmulq_f64(y, vdupq_n_f64(kTwoOverPi)));
    float64x2_t r = vsubq_f64(y, vmulq_f64(k, vdupq_n_f64(kPio2Hi)));
    r = vsubq_f64(r, vmulq_f64(k, vdupq_n_f64(kPio2Lo)));
    const float64x2_t r2 = vmulq_f64(r, r);
    auto step = [&](float64x2_t p, double c) {
        return vaddq_f64(vmulq_f64(p, r2), vdupq_n_f64(c));
    };

    float64x2_t ps = vdupq_n_f64(-1.0 / 1307674368000.0);
    ps = step(ps, 1.0 / 6227020800.0);
    ps = step(ps, -1.0 / 39916800.0);
    ps = step(ps, 1.0 / 362880.0);
    ps = step(ps, -1.0 / 5040.0);
    ps = step(ps, 1.0 / 120.0);
    ps = step(ps, -1.0 / 6.0);
    const float64x2_t s = vaddq_f64(r, vmulq_f64(vmulq_f64(r, r2), ps));

    float64x2_t pc = vdupq_n_f64(1.0 / 20922789888000.0);
    pc = step(pc, -1.0 / 87178291200.0);
    pc = step(pc, 1.0 / 479001600.0);
    pc = step(pc, -1.0 / 3628800.0);
    pc = step(pc, 1.0 / 40320.0);
    pc = step(pc, -1.0 / 720.0);
    pc = step(pc, 1.0 / 24.0);
    pc = step(pc, -0.5);
    const float64x2_t c = vaddq_f64(vdupq_n_f64(1.0), vmulq_f64(r2, pc));

    // Quadrant q = k mod 4: sin(y) = s, c, -s, -c and cos(y) = c, -s, -c, s.
    const int64x2_t q = vcvtq_s64_f64(k);  // k is a whole number: exact
    const uint64x2_t swap = vreinterpretq_u64_s64(vshrq_n_s64(vshlq_n_s64(q, 63), 63));
    const uint64x2_t sin_sign = vshlq_n_u64(vshrq_n_u64(vreinterpretq_u64_s64(q), 1), 63);
    const uint64x2_t cos_sign = vshlq_n_u64(
        vshrq_n_u64(vreinterpretq_u64_s64(vaddq_s64(q, vdupq_n_s64(1))), 1), 63);
    *sin_out = vreinterpretq_f64_u64(
        veorq_u64(vreinterpretq_u64_f64(vbslq_f64(swap, c, s)), sin_sign));
    *cos_out = vreinterpretq_f64_u64(
        veorq_u64(vreinterpretq_u64_f64(vbslq_f64(swap, s, c)), cos_sign));
}

alignas(16) double lobe_sin[kSide * kStride];
alignas(16) double lobe_cos[kSide * kStride];
int32_t lobe_table_count = -1;

}  // namespace

LobeWave lobe_wave(int32_t lobes) {
    if (lobes != lobe_table_count) {
        const float* table = angle_table();
        const float64x2_t l = vdupq_n_f64(static_cast<double>(lobes));
        for (int32_t i = 0; i < kSide * kStride; i += 2) {
            const float64x2_t theta = vcvt_f64_f32(vld1_f32(table + i));
            float64x2_t s, c;
            sincos2(vmulq_f64(l, theta), &s, &c);
            vst1q_f64(lobe_sin + i, s);
            vst1q_f64(lobe_cos + i, c);
        }
        lobe_table_count = lobes;
    }
    return LobeWave{lobe_sin, lobe_cos};
}

template <const Variant& V>
void draw_spans_neon(uint32_t* dst, const uint32_t* src, const LensFrame& f, const RowSpan* spans,
                     int32_t count) {
    const float* table = angle_table();
    const LobeWave wave_table = lobe_wave(f.ripple.lobe_count);
    const bool flat = f.ripple.ripple_amp == 0.0f;
    const float64x2_t sin_phi = vdupq_n_f64(f.sin_phi);
    const float64x2_t cos_phi = vdupq_n_f64(f.cos_phi);
    const float64x2_t amp = vdupq_n_f64(static_cast<double>(f.ripple.ripple_amp));
    const float64x2_t one = vdupq_n_f64(1.0);
    const float64x2_t edge = vdupq_n_f64(0.5 - kGuard);

    for (int32_t i = 0; i < count; ++i) {
        const RowSpan& span = spans[i];
        const int32_t yy = span.yy;
        const int32_t dy = yy - f.R;
        const int32_t dy2 = dy * dy;
        const int32_t row_start = (dy - kLow) * kStride - kLow;
        const float* row = table + row_start;
        const double* sin_row = wave_table.sin + row_start;
        const double* cos_row = wave_table.cos + row_start;
        for (int32_t xx = span.xa; xx <= span.xb; xx += 2) {
            const int32_t dx0 = xx - f.R;
            const int32_t d2_0 = dx0 * dx0 + dy2;
            const int32_t d2_1 = (dx0 + 1) * (dx0 + 1) + dy2;
            int32_t rho[2] = {d2_0, d2_1};
            if (!flat) {
                // The table rows are padded, so the second lane is always
                // readable; past xb it is ignored.
                const float64x2_t sin_lt = vld1q_f64(sin_row + dx0);
                const float64x2_t cos_lt = vld1q_f64(cos_row + dx0);
                const float64x2_t wave =
                    vaddq_f64(vmulq_f64(sin_lt, cos_phi), vmulq_f64(cos_lt, sin_phi));
                const float64x2_t swell = vaddq_f64(vmulq_f64(wave, amp), one);
                const double d2[2] = {static_cast<double>(d2_0), static_cast<double>(d2_1)};
                const float64x2_t value = vmulq_f64(vld1q_f64(d2), swell);
                const float64x2_t nearest = vrndnq_f64(value);
                const float64x2_t gap = vabsq_f64(vsubq_f64(value, nearest));
                const uint64x2_t close = vcgeq_f64(gap, edge);
                rho[0] = static_cast<int32_t>(vgetq_lane_f64(nearest, 0));
                rho[1] = static_cast<int32_t>(vgetq_lane_f64(nearest, 1));
                if (vgetq_lane_u64(close, 0) != 0) rho[0] = exact_rho(d2_0, row[dx0], f.ripple);
                if (vgetq_lane_u64(close, 1) != 0 && xx + 1 <= span.xb) {
                    rho[1] = exact_rho(d2_1, row[dx0 + 1], f.ripple);
                }
            }
            if (rho[0] < f.limit) draw_inside<V>(dst, src, f, xx, yy, rho[0]);
            if (xx + 1 <= span.xb && rho[1] < f.limit) draw_inside<V>(dst, src, f, xx + 1, yy, rho[1]);
        }
    }
}

template void draw_spans_neon<variant320>(uint32_t*, const uint32_t*, const LensFrame&,
                                          const RowSpan*, int32_t);
template void draw_spans_neon<variant640>(uint32_t*, const uint32_t*, const LensFrame&,
                                          const RowSpan*, int32_t);

}  // namespace lens_fast

#endif
