// draw_lens: the same pixels as draw_lens_reference, faster.
//
// Three things make the difference. The angle of (dx, dy) does not change
// from frame to frame, so it is computed once into a table. A position whose
// d2 x (1 - |ripple_amp|) already reaches the limit is outside the rim for
// every sine, so it is skipped without one. The rest is evaluated in double
// precision with SIMD where the processor has it (lens_avx2.cpp,
// lens_avx512.cpp, lens_wasm.cpp, lens_neon.cpp), and in the renderer's own
// extended precision otherwise.
#include <cmath>

#include "effect/fast/lens.h"

#include "effect/fast/lens_avx2.h"
#include "effect/fast/lens_avx512.h"
#include "effect/fast/lens_frame.h"
#include "effect/fast/lens_neon.h"
#include "effect/fast/lens_wasm.h"
#include "effect/fast/simd.h"

namespace lens_fast {

namespace {

// One span per row of the largest lens.
RowSpan spans[4 * kMaxSize];

// Sizes, offsets and amplitudes for which the pruning bound and the integer
// arithmetic below are proven; everything else takes the plain path.
bool supported(int32_t x0, int32_t y0, int32_t R, const Ripple& ripple) {
    constexpr int32_t kFar = 1 << 20;
    return R >= 1 && R <= kMaxSize && x0 > -kFar && x0 < kFar && y0 > -kFar && y0 < kFar &&
           ripple.ripple_amp >= -0.5f && ripple.ripple_amp <= 0.5f &&
           std::isfinite(ripple.ripple_phase);
}

// The double-precision SIMD path bounds its error for these ripples only.
bool double_path_fits(const Ripple& ripple) {
    return ripple.lobe_count >= 0 && ripple.lobe_count <= 5 &&
           std::fabs(ripple.ripple_phase) <= 8388608.0f;
}

// Rows and column runs that can hold positions inside the rim. The swell
// factor sin(..) x amp + 1.0 is never below k = 1 - |amp| as rounded in
// extended precision (the sine lies in [-1, 1] and every rounding is
// monotonic), so rho >= round(d2 x k) and d2 x k >= limit leaves the position
// outside.
template <const Variant& V>
int32_t build_spans(const LensFrame& f) {
    const long double k =
        1.0L - std::fabs(static_cast<long double>(f.ripple.ripple_amp));
    const auto holds = [&](int32_t a, int32_t dy2) {
        return static_cast<long double>(a * a + dy2) * k < static_cast<long double>(f.limit);
    };
    int32_t lo_x = f.start;
    int32_t hi_x = f.end;
    if constexpr (V.edges == LensEdges::clip) {
        if (lo_x < -f.x0) lo_x = -f.x0;
        if (hi_x > V.width - 1 - f.x0) hi_x = V.width - 1 - f.x0;
        if (lo_x > hi_x) return 0;
    }
    int32_t count = 0;
    for (int32_t yy = f.start; yy <= f.end; ++yy) {
        if constexpr (V.edges == LensEdges::clip) {
            if (yy + f.y0 < 0 || yy + f.y0 >= V.height) continue;
        }
        const int32_t dy = yy - f.R;
        const int32_t dy2 = dy * dy;
        if (!holds(0, dy2)) continue;
        const long double room = static_cast<long double>(f.limit) / k - dy2;
        int32_t a = room > 0 ? static_cast<int32_t>(std::sqrt(room)) : 0;
        if (a > kSide) a = kSide;
        while (a > 0 && !holds(a, dy2)) --a;
        while (a < kSide && holds(a + 1, dy2)) ++a;
        const int32_t xa = f.R - a > lo_x ? f.R - a : lo_x;
        const int32_t xb = f.R + a < hi_x ? f.R + a : hi_x;
        if (xa > xb) continue;
        spans[count++] = RowSpan{yy, xa, xb};
    }
    return count;
}

// The spans in extended precision, one position at a time.
template <const Variant& V>
void draw_spans_exact(uint32_t* dst, const uint32_t* src, const LensFrame& f, int32_t count) {
    const float* table = angle_table();
    const bool flat = f.ripple.ripple_amp == 0.0f;
    for (int32_t i = 0; i < count; ++i) {
        const RowSpan& span = spans[i];
        const int32_t dy = span.yy - f.R;
        const float* row = table + (dy - kLow) * kStride - kLow;
        for (int32_t xx = span.xa; xx <= span.xb; ++xx) {
            const int32_t dx = xx - f.R;
            const int32_t d2 = dx * dx + dy * dy;
            // A zero amplitude leaves the swell at exactly 1.0.
            const int32_t rho = flat ? d2 : exact_rho(d2, row[dx], f.ripple);
            if (rho < f.limit) draw_inside<V>(dst, src, f, xx, span.yy, rho);
        }
    }
}

}  // namespace

template <const Variant& V>
void draw_lens_fast(uint32_t* dst, const uint32_t* src, int32_t x0, int32_t y0, int32_t R,
                    const Ripple& ripple) {
    if (!supported(x0, y0, R, ripple)) {
        draw_lens_reference<V>(dst, src, x0, y0, R, ripple);
        return;
    }
    LensFrame f{};
    f.R = R;
    f.half = R >> 1;
    f.limit = R * R - 10 * f.half;
    f.start = -(R / 2);
    f.end = 3 * R - 1;
    f.x0 = x0;
    f.y0 = y0;
    f.ripple = ripple;
    const long double phi =
        rt_ext(static_cast<long double>(ripple.ripple_phase) + static_cast<long double>(3.141593));
    f.sin_phi = static_cast<double>(rt_ext(std::sin(phi)));
    f.cos_phi = static_cast<double>(rt_ext(std::cos(phi)));
    angle_table();
    const int32_t count = build_spans<V>(f);
#if defined(__x86_64__)
    const SimdLevel level = simd_level();
    if (level == SimdLevel::avx512 && double_path_fits(ripple)) {
        draw_spans_avx512<V>(dst, src, f, spans, count);
        return;
    }
    if (level == SimdLevel::avx2 && double_path_fits(ripple)) {
        draw_spans_avx2<V>(dst, src, f, spans, count);
        return;
    }
#elif defined(__wasm_simd128__)
    if (double_path_fits(ripple)) {
        draw_spans_wasm<V>(dst, src, f, spans, count);
        return;
    }
#elif defined(__aarch64__)
    if (simd_level() == SimdLevel::neon && double_path_fits(ripple)) {
        draw_spans_neon<V>(dst, src, f, spans, count);
        return;
    }
#else
    (void)double_path_fits;
#endif
    draw_spans_exact<V>(dst, src, f, count);
}

}  // namespace lens_fast

template <const Variant& V>
void draw_lens(uint32_t* dst, const uint32_t* src, int32_t x0, int32_t y0, int32_t R,
               const Ripple& ripple) {
    lens_fast::draw_lens_fast<V>(dst, src, x0, y0, R, ripple);
}

template void draw_lens<variant320>(uint32_t*, const uint32_t*, int32_t, int32_t, int32_t,
                                    const Ripple&);
template void draw_lens<variant640>(uint32_t*, const uint32_t*, int32_t, int32_t, int32_t,
                                    const Ripple&);
