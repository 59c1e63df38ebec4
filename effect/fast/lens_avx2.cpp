// The lens spans with AVX2, four positions at a time.
//
// The rim value rho = round(d2 x (sin(L x theta + phase + 3.141593) x amp + 1))
// is evaluated in double precision as
//   sin(L theta + phi) = sin(L theta) cos(phi) + cos(L theta) sin(phi),
// with phi = phase + 3.141593 and its sine and cosine taken once per lens in
// extended precision, and sin(L theta), cos(L theta) from a table of the
// whole square that is rebuilt when the lobe count changes. Error bound against the extended-precision renderer,
// for |phase| <= 2^23, 0 <= L <= 5, |amp| <= 0.5 and the candidates of a
// lens of size <= 80 (d2 < 2 x 6000):
//   - the renderer's argument carries two roundings of at most 2^-41 each at
//     magnitudes below 2^24, phi one more: under 2^-39 in all;
//   - sin(L theta) and cos(L theta) below (reduction with a two-part pi/2,
//     series to the 15th and 16th power on |r| <= pi/4) are within 1e-15,
//     sin(phi) and cos(phi) within 2^-53, the combination a few more ulps;
//   - the final products and sums add under 4 ulps of rho < 2^16.
// That is under 1e-8 on rho, while a position is settled here only when rho
// lies more than kGuard = 2^-20 from a rounding boundary (k + 1/2); every
// other position is handed to exact_rho. The integer steps are exact: the
// 16.16 quotient |dx| x 65536 / s is taken as floor(|dx| x 65536 x (1/s) +
// 2^-20). The product is within 2^-28 of the quotient (below 2^24), and a
// quotient that is not a whole number lies at least 1/s >= 1/80 from one, so
// the floor is the truncated quotient in every case.
#if defined(__x86_64__)

#include <immintrin.h>

#include <cmath>

#include "effect/fast/lens_avx2.h"

// Everything below is compiled for AVX2 and runs only when the processor has
// it (simd_level).
#pragma GCC push_options
#pragma GCC target("avx2")
#define OMBRITH_AVX2

namespace lens_fast {

namespace {

constexpr double kGuard = 0x1p-20;
constexpr double kTwoOverPi = 0.63661977236758134308;
// pi/2 in two parts: the first has 33 significant bits, so k x kPio2Hi is
// exact for |k| <= 10.
constexpr double kPio2Hi = 1.57079632673412561417e+00;
constexpr double kPio2Lo = 6.07710050650619224932e-11;

OMBRITH_AVX2 inline __m256d mul(__m256d a, __m256d b) { return _mm256_mul_pd(a, b); }
OMBRITH_AVX2 inline __m256d add(__m256d a, __m256d b) { return _mm256_add_pd(a, b); }
OMBRITH_AVX2 inline __m256d splat(double v) { return _mm256_set1_pd(v); }

// sin(y) and cos(y) for |y| <= 5 pi + 1.
OMBRITH_AVX2 inline void sincos4(__m256d y, __m256d* sin_out, __m256d* cos_out) {
    const __m256d k = _mm256_round_pd(mul(y, splat(kTwoOverPi)),
                                      _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    __m256d r = _mm256_sub_pd(y, mul(k, splat(kPio2Hi)));
    r = _mm256_sub_pd(r, mul(k, splat(kPio2Lo)));
    const __m256d r2 = mul(r, r);

    __m256d ps = splat(-1.0 / 1307674368000.0);
    ps = add(mul(ps, r2), splat(1.0 / 6227020800.0));
    ps = add(mul(ps, r2), splat(-1.0 / 39916800.0));
    ps = add(mul(ps, r2), splat(1.0 / 362880.0));
    ps = add(mul(ps, r2), splat(-1.0 / 5040.0));
    ps = add(mul(ps, r2), splat(1.0 / 120.0));
    ps = add(mul(ps, r2), splat(-1.0 / 6.0));
    const __m256d s = add(r, mul(mul(r, r2), ps));

    __m256d pc = splat(1.0 / 20922789888000.0);
    pc = add(mul(pc, r2), splat(-1.0 / 87178291200.0));
    pc = add(mul(pc, r2), splat(1.0 / 479001600.0));
    pc = add(mul(pc, r2), splat(-1.0 / 3628800.0));
    pc = add(mul(pc, r2), splat(1.0 / 40320.0));
    pc = add(mul(pc, r2), splat(-1.0 / 720.0));
    pc = add(mul(pc, r2), splat(1.0 / 24.0));
    pc = add(mul(pc, r2), splat(-0.5));
    const __m256d c = add(splat(1.0), mul(r2, pc));

    // Quadrant q = k mod 4: sin(y) = s, c, -s, -c and cos(y) = c, -s, -c, s.
    const __m256i q = _mm256_cvtepi32_epi64(_mm256_cvtpd_epi32(k));
    const __m256d swap = _mm256_castsi256_pd(_mm256_slli_epi64(q, 63));
    const __m256d sin_sign =
        _mm256_castsi256_pd(_mm256_slli_epi64(_mm256_srli_epi64(q, 1), 63));
    const __m256d cos_sign = _mm256_castsi256_pd(
        _mm256_slli_epi64(_mm256_srli_epi64(_mm256_add_epi64(q, _mm256_set1_epi64x(1)), 1), 63));
    *sin_out = _mm256_xor_pd(_mm256_blendv_pd(s, c, swap), sin_sign);
    *cos_out = _mm256_xor_pd(_mm256_blendv_pd(c, s, swap), cos_sign);
}

alignas(64) double lobe_sin[kSide * kStride];
alignas(64) double lobe_cos[kSide * kStride];
int32_t lobe_table_count = -1;

// 1 / s for the square roots of the table that the lenses can reach.
alignas(64) double reciprocal[kMaxSize + 1];

}  // namespace

LobeWave lobe_wave(int32_t lobes) {
    if (lobes != lobe_table_count) {
        const float* table = angle_table();
        const __m256d l = splat(static_cast<double>(lobes));
        for (int32_t i = 0; i < kSide * kStride; i += 4) {
            __m256d s, c;
            sincos4(mul(l, _mm256_cvtps_pd(_mm_loadu_ps(table + i))), &s, &c);
            _mm256_store_pd(lobe_sin + i, s);
            _mm256_store_pd(lobe_cos + i, c);
        }
        for (int32_t s = 1; s <= kMaxSize; ++s) reciprocal[s] = 1.0 / s;
        lobe_table_count = lobes;
    }
    return LobeWave{lobe_sin, lobe_cos, reciprocal};
}

template <const Variant& V>
OMBRITH_AVX2 void draw_spans_avx2(uint32_t* dst, const uint32_t* src, const LensFrame& f,
                                  const RowSpan* spans, int32_t count) {
    constexpr int32_t W = V.width;
    constexpr int32_t N = V.pixels();
    const float* table = angle_table();
    const LobeWave wave_table = lobe_wave(f.ripple.lobe_count);
    const bool flat = f.ripple.ripple_amp == 0.0f;
    const __m256d sin_phi = splat(f.sin_phi);
    const __m256d cos_phi = splat(f.cos_phi);
    const __m256d amp = splat(static_cast<double>(f.ripple.ripple_amp));
    const __m256d abs_mask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFFLL));
    const __m256d edge = splat(0.5 - kGuard);
    const __m128i lane = _mm_setr_epi32(0, 1, 2, 3);
    const __m128i limit = _mm_set1_epi32(f.limit);
    const __m128i size_sq = _mm_set1_epi32(f.R * f.R);
    const __m128i half = _mm_set1_epi32(f.half);
    const __m128i ones = _mm_set1_epi32(1);
    const __m128i width = _mm_set1_epi32(W);
    const __m128i n_vec = _mm_set1_epi32(N);
    const __m128i n_less = _mm_set1_epi32(N - 1);
    const __m128i zero = _mm_setzero_si128();
    const __m256d nudge = splat(0x1p-20);

    for (int32_t i = 0; i < count; ++i) {
        const RowSpan& span = spans[i];
        const int32_t yy = span.yy;
        const int32_t dy = yy - f.R;
        const int32_t dy2 = dy * dy;
        const int32_t row_start = (dy - kLow) * kStride - kLow;
        const float* row = table + row_start;
        const double* sin_row = wave_table.sin + row_start;
        const double* cos_row = wave_table.cos + row_start;
        const __m256d dy_fixed = splat(std::fabs(static_cast<double>(dy)) * 65536.0);
        const __m128i dy_sign = _mm_set1_epi32(dy);
        const __m128i src_row = _mm_set1_epi32(yy + f.y0);
        for (int32_t xx = span.xa; xx <= span.xb; xx += 4) {
            const __m128i valid = _mm_cmpgt_epi32(_mm_set1_epi32(span.xb - xx + 1), lane);
            const __m128i dx = _mm_add_epi32(_mm_set1_epi32(xx - f.R), lane);
            const __m128i d2 = _mm_add_epi32(_mm_mullo_epi32(dx, dx), _mm_set1_epi32(dy2));
            __m128i rho = d2;
            if (!flat) {
                const __m256d sin_lt = _mm256_loadu_pd(sin_row + (xx - f.R));
                const __m256d cos_lt = _mm256_loadu_pd(cos_row + (xx - f.R));
                const __m256d wave = add(mul(sin_lt, cos_phi), mul(cos_lt, sin_phi));
                const __m256d swell = add(mul(wave, amp), splat(1.0));
                const __m256d value = mul(_mm256_cvtepi32_pd(d2), swell);
                const __m256d nearest =
                    _mm256_round_pd(value, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
                const __m256d gap = _mm256_and_pd(_mm256_sub_pd(value, nearest), abs_mask);
                rho = _mm256_cvtpd_epi32(nearest);
                const int close = _mm256_movemask_pd(_mm256_cmp_pd(gap, edge, _CMP_GE_OQ)) &
                                  _mm_movemask_ps(_mm_castsi128_ps(valid));
                if (close) {
                    alignas(16) int32_t settled[4];
                    _mm_store_si128(reinterpret_cast<__m128i*>(settled), rho);
                    for (int32_t k = 0; k < 4; ++k) {
                        if (!(close & (1 << k))) continue;
                        const int32_t ddx = xx + k - f.R;
                        settled[k] = exact_rho(ddx * ddx + dy2, row[ddx], f.ripple);
                    }
                    rho = _mm_load_si128(reinterpret_cast<const __m128i*>(settled));
                }
            }
            const __m128i inside = _mm_and_si128(valid, _mm_cmpgt_epi32(limit, rho));
            const int inside_bits = _mm_movemask_ps(_mm_castsi128_ps(inside));
            if (!inside_bits) continue;

            const __m128i index = _mm_and_si128(_mm_sub_epi32(size_sq, rho), inside);
            const __m128i s = _mm_mask_i32gather_epi32(ones, isqrt_table, index, inside, 4);
            const __m128i m = _mm_sub_epi32(half, s);
            const __m256d inv = _mm256_mask_i32gather_pd(splat(1.0), wave_table.reciprocal, s,
                                                         _mm256_castsi256_pd(_mm256_cvtepi32_epi64(inside)), 8);
            const __m256d dx_fixed = mul(_mm256_cvtepi32_pd(_mm_abs_epi32(dx)), splat(65536.0));
            const __m128i qx = _mm_sign_epi32(
                _mm256_cvttpd_epi32(add(mul(dx_fixed, inv), nudge)), dx);
            const __m128i qy = _mm_sign_epi32(
                _mm256_cvttpd_epi32(add(mul(dy_fixed, inv), nudge)), dy_sign);
            const __m128i ox = _mm_srai_epi32(_mm_mullo_epi32(m, qx), 16);
            const __m128i oy = _mm_srai_epi32(_mm_mullo_epi32(m, qy), 16);
            __m128i so = _mm_add_epi32(
                _mm_mullo_epi32(_mm_add_epi32(src_row, oy), width),
                _mm_add_epi32(_mm_set1_epi32(xx + f.x0), _mm_add_epi32(lane, ox)));
            so = _mm_add_epi32(so, _mm_and_si128(_mm_cmpgt_epi32(zero, so), n_vec));
            so = _mm_sub_epi32(so, _mm_andnot_si128(_mm_cmpgt_epi32(n_vec, so), n_vec));
            const __m128i stray =
                _mm_and_si128(inside, _mm_or_si128(_mm_cmpgt_epi32(zero, so),
                                                   _mm_cmpgt_epi32(so, n_less)));
            if (_mm_movemask_ps(_mm_castsi128_ps(stray))) {
                alignas(16) int32_t offsets[4];
                _mm_store_si128(reinterpret_cast<__m128i*>(offsets), so);
                for (int32_t k = 0; k < 4; ++k) offsets[k] = wrap_offset<N>(offsets[k]);
                so = _mm_load_si128(reinterpret_cast<const __m128i*>(offsets));
            }
            const __m128i pixels = _mm_mask_i32gather_epi32(
                zero, reinterpret_cast<const int*>(src), so, inside, 4);

            if constexpr (V.edges == LensEdges::clip) {
                _mm_maskstore_epi32(reinterpret_cast<int*>(dst + (yy + f.y0) * W + xx + f.x0),
                                    inside, pixels);
            } else {
                const int32_t first = wrap_offset<N>((yy + f.y0) * W + xx + f.x0);
                if (first + 3 < N) {
                    _mm_maskstore_epi32(reinterpret_cast<int*>(dst + first), inside, pixels);
                } else {
                    alignas(16) uint32_t values[4];
                    _mm_store_si128(reinterpret_cast<__m128i*>(values), pixels);
                    for (int32_t k = 0; k < 4; ++k) {
                        if (inside_bits & (1 << k)) dst[wrap_offset<N>(first + k)] = values[k];
                    }
                }
            }
        }
    }
}

template void draw_spans_avx2<variant320>(uint32_t*, const uint32_t*, const LensFrame&,
                                          const RowSpan*, int32_t);
template void draw_spans_avx2<variant640>(uint32_t*, const uint32_t*, const LensFrame&,
                                          const RowSpan*, int32_t);

}  // namespace lens_fast

#pragma GCC pop_options

#endif
