// The lens spans with WebAssembly SIMD, two positions at a time.
//
// The same evaluation and the same error bound as the AVX2 path
// (lens_avx2.cpp): the rim value in double precision as
//   d2 x (sin(L theta) cos(phi) + cos(L theta) sin(phi)) x amp + 1),
// with sin(L theta) and cos(L theta) from a table of the whole square that
// is rebuilt when the lobe count changes (same reduction and series), and
// every position whose value lies within kGuard = 2^-20 of a rounding
// boundary settled by exact_rho. The integer steps after the rim test are
// the plain ones (draw_inside).
#if defined(__wasm_simd128__)

#include <wasm_simd128.h>

#include <cmath>

#include "effect/fast/lens_wasm.h"

namespace lens_fast {

namespace {

constexpr double kGuard = 0x1p-20;
constexpr double kTwoOverPi = 0.63661977236758134308;
// pi/2 in two parts: the first has 33 significant bits, so k x kPio2Hi is
// exact for |k| <= 10.
constexpr double kPio2Hi = 1.57079632673412561417e+00;
constexpr double kPio2Lo = 6.07710050650619224932e-11;

// sin(y) and cos(y) for |y| <= 5 pi + 1, two at a time.
void sincos2(v128_t y, v128_t* sin_out, v128_t* cos_out) {
    const v128_t k = wasm_f64x2_nearest(wasm_f64x2_mul(y, wasm_f64x2_splat(kTwoOverPi)));
    v128_t r = wasm_f64x2_sub(y, wasm_f64x2_mul(k, wasm_f64x2_splat(kPio2Hi)));
    r = wasm_f64x2_sub(r, wasm_f64x2_mul(k, wasm_f64x2_splat(kPio2Lo)));
    const v128_t r2 = wasm_f64x2_mul(r, r);
    auto step = [&](v128_t p, double c) {
        return wasm_f64x2_add(wasm_f64x2_mul(p, r2), wasm_f64x2_splat(c));
    };

    v128_t ps = wasm_f64x2_splat(-1.0 / 1307674368000.0);
    ps = step(ps, 1.0 / 6227020800.0);
    ps = step(ps, -1.0 / 39916800.0);
    ps = step(ps, 1.0 / 362880.0);
    ps = step(ps, -1.0 / 5040.0);
    ps = step(ps, 1.0 / 120.0);
    ps = step(ps, -1.0 / 6.0);
    const v128_t s = wasm_f64x2_add(r, wasm_f64x2_mul(wasm_f64x2_mul(r, r2), ps));

    v128_t pc = wasm_f64x2_splat(1.0 / 20922789888000.0);
    pc = step(pc, -1.0 / 87178291200.0);
    pc = step(pc, 1.0 / 479001600.0);
    pc = step(pc, -1.0 / 3628800.0);
    pc = step(pc, 1.0 / 40320.0);
    pc = step(pc, -1.0 / 720.0);
    pc = step(pc, 1.0 / 24.0);
    pc = step(pc, -0.5);
    const v128_t c = wasm_f64x2_add(wasm_f64x2_splat(1.0), wasm_f64x2_mul(r2, pc));

    // Quadrant q = k mod 4: sin(y) = s, c, -s, -c and cos(y) = c, -s, -c, s.
    const v128_t q = wasm_i64x2_make(static_cast<int64_t>(wasm_f64x2_extract_lane(k, 0)),
                                     static_cast<int64_t>(wasm_f64x2_extract_lane(k, 1)));
    const v128_t swap = wasm_i64x2_shr(wasm_i64x2_shl(q, 63), 63);  // all ones when q is odd
    const v128_t sin_sign = wasm_i64x2_shl(wasm_u64x2_shr(q, 1), 63);
    const v128_t cos_sign =
        wasm_i64x2_shl(wasm_u64x2_shr(wasm_i64x2_add(q, wasm_i64x2_splat(1)), 1), 63);
    *sin_out = wasm_v128_xor(wasm_v128_bitselect(c, s, swap), sin_sign);
    *cos_out = wasm_v128_xor(wasm_v128_bitselect(s, c, swap), cos_sign);
}

alignas(16) double lobe_sin[kSide * kStride];
alignas(16) double lobe_cos[kSide * kStride];
int32_t lobe_table_count = -1;

}  // namespace

LobeWave lobe_wave(int32_t lobes) {
    if (lobes != lobe_table_count) {
        const float* table = angle_table();
        const v128_t l = wasm_f64x2_splat(static_cast<double>(lobes));
        for (int32_t i = 0; i < kSide * kStride; i += 2) {
            const v128_t theta = wasm_f64x2_make(table[i], table[i + 1]);
            v128_t s, c;
            sincos2(wasm_f64x2_mul(l, theta), &s, &c);
            wasm_v128_store(lobe_sin + i, s);
            wasm_v128_store(lobe_cos + i, c);
        }
        lobe_table_count = lobes;
    }
    return LobeWave{lobe_sin, lobe_cos};
}

template <const Variant& V>
void draw_spans_wasm(uint32_t* dst, const uint32_t* src, const LensFrame& f, const RowSpan* spans,
                     int32_t count) {
    const float* table = angle_table();
    const LobeWave wave_table = lobe_wave(f.ripple.lobe_count);
    const bool flat = f.ripple.ripple_amp == 0.0f;
    const v128_t sin_phi = wasm_f64x2_splat(f.sin_phi);
    const v128_t cos_phi = wasm_f64x2_splat(f.cos_phi);
    const v128_t amp = wasm_f64x2_splat(static_cast<double>(f.ripple.ripple_amp));
    const v128_t one = wasm_f64x2_splat(1.0);
    const v128_t edge = wasm_f64x2_splat(0.5 - kGuard);

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
                const v128_t sin_lt = wasm_v128_load(sin_row + dx0);
                const v128_t cos_lt = wasm_v128_load(cos_row + dx0);
                const v128_t wave =
                    wasm_f64x2_add(wasm_f64x2_mul(sin_lt, cos_phi), wasm_f64x2_mul(cos_lt, sin_phi));
                const v128_t swell = wasm_f64x2_add(wasm_f64x2_mul(wave, amp), one);
                const v128_t value = wasm_f64x2_mul(
                    wasm_f64x2_make(static_cast<double>(d2_0), static_cast<double>(d2_1)), swell);
                const v128_t nearest = wasm_f64x2_nearest(value);
                const v128_t gap = wasm_f64x2_abs(wasm_f64x2_sub(value, nearest));
                const v128_t close = wasm_f64x2_ge(gap, edge);
                rho[0] = static_cast<int32_t>(wasm_f64x2_extract_lane(nearest, 0));
                rho[1] = static_cast<int32_t>(wasm_f64x2_extract_lane(nearest, 1));
                if (wasm_v128_any_true(close)) {
                    if (wasm_i64x2_extract_lane(close, 0) != 0) {
                        rho[0] = exact_rho(d2_0, row[dx0], f.ripple);
                    }
                    if (wasm_i64x2_extract_lane(close, 1) != 0 && xx + 1 <= span.xb) {
                        rho[1] = exact_rho(d2_1, row[dx0 + 1], f.ripple);
                    }
                }
            }
            if (rho[0] < f.limit) draw_inside<V>(dst, src, f, xx, yy, rho[0]);
            if (xx + 1 <= span.xb && rho[1] < f.limit) draw_inside<V>(dst, src, f, xx + 1, yy, rho[1]);
        }
    }
}

template void draw_spans_wasm<variant320>(uint32_t*, const uint32_t*, const LensFrame&,
                                          const RowSpan*, int32_t);
template void draw_spans_wasm<variant640>(uint32_t*, const uint32_t*, const LensFrame&,
                                          const RowSpan*, int32_t);

}  // namespace lens_fast

#endif
