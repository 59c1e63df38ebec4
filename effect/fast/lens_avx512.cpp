// The lens spans with AVX-512, eight positions at a time: the same steps and
// the same error bound as the AVX2 path (lens_avx2.cpp), on wider
// vectors with mask registers.
#if defined(__x86_64__)

#include <immintrin.h>

#include "effect/fast/lens_avx512.h"

// Everything below is compiled for AVX-512 (F, VL, DQ) and runs only when the
// processor has it (simd_level).
#pragma GCC push_options
#pragma GCC target("avx2,avx512f,avx512vl,avx512dq")
// GCC's AVX-512 headers set up unused lanes it then warns about.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace lens_fast {

namespace {

constexpr double kGuard = 0x1p-20;

inline __m512d splat(double v) { return _mm512_set1_pd(v); }

}  // namespace

template <const Variant& V>
void draw_spans_avx512(uint32_t* dst, const uint32_t* src, const LensFrame& f,
                       const RowSpan* spans, int32_t count) {
    constexpr int32_t W = V.width;
    constexpr int32_t N = V.pixels();
    const float* table = angle_table();
    const LobeWave wave_table = lobe_wave(f.ripple.lobe_count);
    const bool flat = f.ripple.ripple_amp == 0.0f;
    const __m512d sin_phi = splat(f.sin_phi);
    const __m512d cos_phi = splat(f.cos_phi);
    const __m512d amp = splat(static_cast<double>(f.ripple.ripple_amp));
    const __m512d edge = splat(0.5 - kGuard);
    const __m512d nudge = splat(0x1p-20);
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i limit = _mm256_set1_epi32(f.limit);
    const __m256i size_sq = _mm256_set1_epi32(f.R * f.R);
    const __m256i half = _mm256_set1_epi32(f.half);
    const __m256i ones = _mm256_set1_epi32(1);
    const __m256i width = _mm256_set1_epi32(W);
    const __m256i n_vec = _mm256_set1_epi32(N);
    const __m256i zero = _mm256_setzero_si256();

    for (int32_t i = 0; i < count; ++i) {
        const RowSpan& span = spans[i];
        const int32_t yy = span.yy;
        const int32_t dy = yy - f.R;
        const int32_t dy2 = dy * dy;
        const int32_t row_start = (dy - kLow) * kStride - kLow;
        const float* row = table + row_start;
        const double* sin_row = wave_table.sin + row_start;
        const double* cos_row = wave_table.cos + row_start;
        const __m512d dy_fixed = splat((dy < 0 ? -dy : dy) * 65536.0);
        const __m256i dy_sign = _mm256_set1_epi32(dy);
        const __m256i src_row = _mm256_set1_epi32(yy + f.y0);
        for (int32_t xx = span.xa; xx <= span.xb; xx += 8) {
            const int32_t left = span.xb - xx + 1;
            const __mmask8 valid = left >= 8 ? 0xFF : static_cast<__mmask8>((1u << left) - 1);
            const __m256i dx = _mm256_add_epi32(_mm256_set1_epi32(xx - f.R), lane);
            const __m256i d2 = _mm256_add_epi32(_mm256_mullo_epi32(dx, dx), _mm256_set1_epi32(dy2));
            __m256i rho = d2;
            if (!flat) {
                const __m512d sin_lt = _mm512_loadu_pd(sin_row + (xx - f.R));
                const __m512d cos_lt = _mm512_loadu_pd(cos_row + (xx - f.R));
                const __m512d wave =
                    _mm512_add_pd(_mm512_mul_pd(sin_lt, cos_phi), _mm512_mul_pd(cos_lt, sin_phi));
                const __m512d swell = _mm512_add_pd(_mm512_mul_pd(wave, amp), splat(1.0));
                const __m512d value = _mm512_mul_pd(_mm512_cvtepi32_pd(d2), swell);
                const __m512d nearest =
                    _mm512_roundscale_pd(value, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
                const __m512d gap = _mm512_abs_pd(_mm512_sub_pd(value, nearest));
                rho = _mm512_cvtpd_epi32(nearest);
                const __mmask8 close = _mm512_mask_cmp_pd_mask(valid, gap, edge, _CMP_GE_OQ);
                if (close) {
                    alignas(32) int32_t settled[8];
                    _mm256_store_si256(reinterpret_cast<__m256i*>(settled), rho);
                    for (int32_t k = 0; k < 8; ++k) {
                        if (!(close & (1u << k))) continue;
                        const int32_t ddx = xx + k - f.R;
                        settled[k] = exact_rho(ddx * ddx + dy2, row[ddx], f.ripple);
                    }
                    rho = _mm256_load_si256(reinterpret_cast<const __m256i*>(settled));
                }
            }
            const __mmask8 inside = _mm256_mask_cmpgt_epi32_mask(valid, limit, rho);
            if (!inside) continue;

            const __m256i index = _mm256_maskz_sub_epi32(inside, size_sq, rho);
            const __m256i s =
                _mm256_mmask_i32gather_epi32(ones, inside, index, isqrt_table, 4);
            const __m256i m = _mm256_sub_epi32(half, s);
            const __m512d inv =
                _mm512_mask_i32gather_pd(splat(1.0), inside, s, wave_table.reciprocal, 8);
            const __m512d dx_fixed =
                _mm512_mul_pd(_mm512_cvtepi32_pd(_mm256_abs_epi32(dx)), splat(65536.0));
            const __m256i qx = _mm256_sign_epi32(
                _mm512_cvttpd_epi32(_mm512_add_pd(_mm512_mul_pd(dx_fixed, inv), nudge)), dx);
            const __m256i qy = _mm256_sign_epi32(
                _mm512_cvttpd_epi32(_mm512_add_pd(_mm512_mul_pd(dy_fixed, inv), nudge)), dy_sign);
            const __m256i ox = _mm256_srai_epi32(_mm256_mullo_epi32(m, qx), 16);
            const __m256i oy = _mm256_srai_epi32(_mm256_mullo_epi32(m, qy), 16);
            __m256i so = _mm256_add_epi32(
                _mm256_mullo_epi32(_mm256_add_epi32(src_row, oy), width),
                _mm256_add_epi32(_mm256_set1_epi32(xx + f.x0), _mm256_add_epi32(lane, ox)));
            so = _mm256_mask_add_epi32(so, _mm256_cmpgt_epi32_mask(zero, so), so, n_vec);
            so = _mm256_mask_sub_epi32(so, _mm256_cmpge_epi32_mask(so, n_vec), so, n_vec);
            const __mmask8 stray = _mm256_mask_cmpgt_epi32_mask(inside, zero, so) |
                                   _mm256_mask_cmpge_epi32_mask(inside, so, n_vec);
            if (stray) {
                alignas(32) int32_t offsets[8];
                _mm256_store_si256(reinterpret_cast<__m256i*>(offsets), so);
                for (int32_t k = 0; k < 8; ++k) offsets[k] = wrap_offset<N>(offsets[k]);
                so = _mm256_load_si256(reinterpret_cast<const __m256i*>(offsets));
            }
            const __m256i pixels = _mm256_mmask_i32gather_epi32(zero, inside, so, src, 4);

            if constexpr (V.edges == LensEdges::clip) {
                _mm256_mask_storeu_epi32(dst + (yy + f.y0) * W + xx + f.x0, inside, pixels);
            } else {
                const int32_t first = wrap_offset<N>((yy + f.y0) * W + xx + f.x0);
                if (first + 7 < N) {
                    _mm256_mask_storeu_epi32(dst + first, inside, pixels);
                } else {
                    alignas(32) uint32_t values[8];
                    _mm256_store_si256(reinterpret_cast<__m256i*>(values), pixels);
                    for (int32_t k = 0; k < 8; ++k) {
                        if (inside & (1u << k)) dst[wrap_offset<N>(first + k)] = values[k];
                    }
                }
            }
        }
    }
}

template void draw_spans_avx512<variant320>(uint32_t*, const uint32_t*, const LensFrame&,
                                            const RowSpan*, int32_t);
template void draw_spans_avx512<variant640>(uint32_t*, const uint32_t*, const LensFrame&,
                                            const RowSpan*, int32_t);

}  // namespace lens_fast

#pragma GCC pop_options

#endif
