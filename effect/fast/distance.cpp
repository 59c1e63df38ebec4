// distance_pass: the same field, extremes and bits as distance_pass_reference,
// faster.
//
// Exactness. When every point coordinate is a multiple of 2^-13 below 2^11 in
// magnitude (the random points lie on a grid of W/32768 and H/32768, far
// coarser), dx = xs - px is a multiple of 2^-13 below 2^12, so dx x dx has at
// most 50 significant bits and is exact in double as in extended precision;
// both round it to the same single a. a and b are multiples of 2^-26 not
// above 2^24, so a + b is exact in double too. Rounding the square root of
// such a sum to single gives the same result from a double root as from an
// extended one: unless the root is exactly halfway between two singles (then
// both roots are exact and both round to even), it lies at least 2^-52 of its
// value away from that halfway point, farther than either rounding moves it.
// Finally single(sqrt(.)) is monotonic, so the nearest point's distance is
// the root of the smallest sum, and only one root per pixel is needed:
//   S(x, y) = min over i of (a_i(x) + b_i(y)),
// where a_i depends on the column alone and b_i on the row alone.
// Points off that grid take the plain scan.
#include <cmath>

#include "effect/fast/distance.h"

#include "effect/fast/simd.h"
#include "effect/pattern_field.h"
#include "runtime/numbers.h"

#if defined(__x86_64__)
#include <immintrin.h>
// GCC's AVX-512 headers set up unused lanes it then warns about.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#if defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif
#if defined(__aarch64__)
#include <arm_neon.h>
#endif

namespace {

constexpr int32_t kMaxWidth = 640;
constexpr int32_t kMaxHeight = 480;

// a_i(x) and b_i(y) of the formula above, one row per point.
alignas(64) double column_squares[kPointCount][kMaxWidth];
alignas(64) double row_squares[kPointCount][kMaxHeight];
alignas(64) double row_sums[kMaxWidth];

bool on_grid(float c) {
    const double scaled = static_cast<double>(c) * 8192.0;
    return std::fabs(c) < 2048.0f && scaled == std::floor(scaled);
}

double square_as_single(float point, int32_t pixel) {
    const double d = static_cast<double>(point) - static_cast<double>(pixel);
    return static_cast<double>(rt_single(d * d));
}

// row_sums[x] = min over i of column_squares[i][x] + b[i], x < width.
[[maybe_unused]] void row_minimum_portable(const double* b, int32_t points, int32_t width) {
    for (int32_t x = 0; x < width; ++x) row_sums[x] = column_squares[0][x] + b[0];
    for (int32_t i = 1; i < points; ++i) {
        const double bi = b[i];
        const double* a = column_squares[i];
        for (int32_t x = 0; x < width; ++x) {
            const double s = a[x] + bi;
            if (s < row_sums[x]) row_sums[x] = s;
        }
    }
}

#if defined(__x86_64__)
// The same, 16 columns at a time; width is a multiple of 16.
__attribute__((target("avx2"))) void row_minimum_avx2(const double* b, int32_t points,
                                                       int32_t width) {
    for (int32_t x = 0; x < width; x += 16) {
        __m256d best0 = _mm256_set1_pd(INFINITY), best1 = best0, best2 = best0, best3 = best0;
        for (int32_t i = 0; i < points; ++i) {
            const __m256d bi = _mm256_set1_pd(b[i]);
            const double* a = column_squares[i] + x;
            best0 = _mm256_min_pd(best0, _mm256_add_pd(_mm256_load_pd(a), bi));
            best1 = _mm256_min_pd(best1, _mm256_add_pd(_mm256_load_pd(a + 4), bi));
            best2 = _mm256_min_pd(best2, _mm256_add_pd(_mm256_load_pd(a + 8), bi));
            best3 = _mm256_min_pd(best3, _mm256_add_pd(_mm256_load_pd(a + 12), bi));
        }
        _mm256_store_pd(row_sums + x, best0);
        _mm256_store_pd(row_sums + x + 4, best1);
        _mm256_store_pd(row_sums + x + 8, best2);
        _mm256_store_pd(row_sums + x + 12, best3);
    }
}

// The same, 32 columns at a time; width is a multiple of 32.
__attribute__((target("avx512f"))) void row_minimum_avx512(const double* b, int32_t points,
                                                           int32_t width) {
    for (int32_t x = 0; x < width; x += 32) {
        __m512d best0 = _mm512_set1_pd(INFINITY), best1 = best0, best2 = best0, best3 = best0;
        for (int32_t i = 0; i < points; ++i) {
            const __m512d bi = _mm512_set1_pd(b[i]);
            const double* a = column_squares[i] + x;
            best0 = _mm512_min_pd(best0, _mm512_add_pd(_mm512_load_pd(a), bi));
            best1 = _mm512_min_pd(best1, _mm512_add_pd(_mm512_load_pd(a + 8), bi));
            best2 = _mm512_min_pd(best2, _mm512_add_pd(_mm512_load_pd(a + 16), bi));
            best3 = _mm512_min_pd(best3, _mm512_add_pd(_mm512_load_pd(a + 24), bi));
        }
        _mm512_store_pd(row_sums + x, best0);
        _mm512_store_pd(row_sums + x + 8, best1);
        _mm512_store_pd(row_sums + x + 16, best2);
        _mm512_store_pd(row_sums + x + 24, best3);
    }
}
#endif

#if defined(__wasm_simd128__)
// The same with WebAssembly SIMD, 8 columns at a time; width is a multiple
// of 8. pmin keeps the first operand unless the second is smaller, as the
// comparison of the plain loop does.
void row_minimum_wasm(const double* b, int32_t points, int32_t width) {
    for (int32_t x = 0; x < width; x += 8) {
        const v128_t inf = wasm_f64x2_splat(INFINITY);
        v128_t best0 = inf, best1 = inf, best2 = inf, best3 = inf;
        for (int32_t i = 0; i < points; ++i) {
            const v128_t bi = wasm_f64x2_splat(b[i]);
            const double* a = column_squares[i] + x;
            best0 = wasm_f64x2_pmin(best0, wasm_f64x2_add(wasm_v128_load(a), bi));
            best1 = wasm_f64x2_pmin(best1, wasm_f64x2_add(wasm_v128_load(a + 2), bi));
            best2 = wasm_f64x2_pmin(best2, wasm_f64x2_add(wasm_v128_load(a + 4), bi));
            best3 = wasm_f64x2_pmin(best3, wasm_f64x2_add(wasm_v128_load(a + 6), bi));
        }
        wasm_v128_store(row_sums + x, best0);
        wasm_v128_store(row_sums + x + 2, best1);
        wasm_v128_store(row_sums + x + 4, best2);
        wasm_v128_store(row_sums + x + 6, best3);
    }
}
#endif

#if defined(__aarch64__)
// The same with NEON, 8 columns at a time; width is a multiple of 8. No sum
// is NaN or a zero of either sign but +0, so vminq_f64 picks what the
// comparison of the plain loop picks.
void row_minimum_neon(const double* b, int32_t points, int32_t width) {
    for (int32_t x = 0; x < width; x += 8) {
        const float64x2_t inf = vdupq_n_f64(INFINITY);
        float64x2_t best0 = inf, best1 = inf, best2 = inf, best3 = inf;
        for (int32_t i = 0; i < points; ++i) {
            const float64x2_t bi = vdupq_n_f64(b[i]);
            const double* a = column_squares[i] + x;
            best0 = vminq_f64(best0, vaddq_f64(vld1q_f64(a), bi));
            best1 = vminq_f64(best1, vaddq_f64(vld1q_f64(a + 2), bi));
            best2 = vminq_f64(best2, vaddq_f64(vld1q_f64(a + 4), bi));
            best3 = vminq_f64(best3, vaddq_f64(vld1q_f64(a + 6), bi));
        }
        vst1q_f64(row_sums + x, best0);
        vst1q_f64(row_sums + x + 2, best1);
        vst1q_f64(row_sums + x + 4, best2);
        vst1q_f64(row_sums + x + 6, best3);
    }
}
#endif

}  // namespace

template <const Variant& V>
void distance_pass(EffectState<V>& state) {
    static_assert(V.width <= kMaxWidth && V.height <= kMaxHeight);
    static_assert(V.width % 32 == 0);
    const int32_t points = rt_array_ubound(state.point_x, 0) + 1;
    bool exact = points >= 1 && points <= kPointCount;
    for (int32_t i = 0; exact && i < points; ++i) {
        exact = on_grid(state.point_x[i]) && on_grid(state.point_y[i]);
    }
    if (!exact) {
        distance_pass_reference<V>(state);
        return;
    }

    for (int32_t i = 0; i < points; ++i) {
        for (int32_t x = 0; x < V.width; ++x) {
            column_squares[i][x] = square_as_single(state.point_x[i], x);
        }
        for (int32_t y = 0; y < V.height; ++y) {
            row_squares[i][y] = square_as_single(state.point_y[i], y);
        }
    }

    const SimdLevel level = simd_level();
    float field_min = rt_single(static_cast<long double>(1e16));
    float field_max = 0.0f;
    double b[kPointCount];
    for (int32_t y = 0; y < V.height; ++y) {
        for (int32_t i = 0; i < points; ++i) b[i] = row_squares[i][y];
#if defined(__x86_64__)
        if (level == SimdLevel::avx512) {
            row_minimum_avx512(b, points, V.width);
        } else if (level == SimdLevel::avx2) {
            row_minimum_avx2(b, points, V.width);
        } else {
            row_minimum_portable(b, points, V.width);
        }
#elif defined(__wasm_simd128__)
        (void)level;
        row_minimum_wasm(b, points, V.width);
#elif defined(__aarch64__)
        if (level == SimdLevel::neon) {
            row_minimum_neon(b, points, V.width);
        } else {
            row_minimum_portable(b, points, V.width);
        }
#else
        (void)level;
        row_minimum_portable(b, points, V.width);
#endif
        for (int32_t x = 0; x < V.width; ++x) {
            const float d = rt_single(std::sqrt(row_sums[x]));
            state.distance_field[x * V.height + y] = d;
            if (d < field_min) field_min = d;
            if (d > field_max) field_max = d;
        }
    }
    state.field_min = field_min;
    state.field_max = field_max;
}

template void distance_pass<variant320>(EffectState<variant320>&);
template void distance_pass<variant640>(EffectState<variant640>&);
