// One lens's frame as every fast lens path sees it: its per-frame constants
// (LensFrame) and row spans, the angle table they read, and the exact scalar
// steps every path falls back on. The vector span renderers live in
// lens_avx2.h, lens_avx512.h, lens_neon.h and lens_wasm.h.
#pragma once

#include <cmath>
#include <cstdint>

#include "effect/lens.h"
#include "effect/lens_offsets.h"
#include "effect/state.h"
#include "runtime/numbers.h"

namespace lens_fast {

// Sizes up to this one are served from the tables; larger ones take the plain
// path.
constexpr int32_t kMaxSize = 80;
// The (dx, dy) square of the largest lens: -1.5 R .. 2 R - 1.
constexpr int32_t kLow = -(kMaxSize + kMaxSize / 2);
constexpr int32_t kHigh = 2 * kMaxSize - 1;
constexpr int32_t kSide = kHigh - kLow + 1;
// Rows are padded so that a vector load of 8 angles past the last one stays
// inside the table.
constexpr int32_t kStride = kSide + 8;

// single(atan2(dy, dx)) for every (dx, dy) of the square, at
// (dy - kLow) * kStride + (dx - kLow). Built on first use, then read-only.
const float* angle_table();

// Everything one lens needs during one frame.
struct LensFrame {
    int32_t R;
    int32_t half;
    int32_t limit;
    int32_t start;
    int32_t end;
    int32_t x0;
    int32_t y0;
    Ripple ripple;
    double sin_phi;  // sin and cos of ripple_phase + 3.141593
    double cos_phi;
};

// A run of positions xx = xa..xb of row yy that the rim may hold.
struct RowSpan {
    int32_t yy;
    int32_t xa;
    int32_t xb;
};

// The rim test value of one position, with the same operations in the same
// precision as the plain renderer.
inline int32_t exact_rho(int32_t d2, float theta, const Ripple& ripple) {
    const long double angle = rt_ext(
        rt_ext(static_cast<long double>(ripple.lobe_count) * theta + ripple.ripple_phase) +
        static_cast<long double>(3.141593));
    const long double swell = rt_ext(rt_ext(rt_ext(std::sin(angle)) * ripple.ripple_amp) +
                                     static_cast<long double>(1.0));
    return rt_round_to_int(rt_ext(static_cast<long double>(d2) * swell));
}

// Draws one position whose rim value rho lies below the limit.
template <const Variant& V>
inline void draw_inside(uint32_t* dst, const uint32_t* src, const LensFrame& f, int32_t xx,
                        int32_t yy, int32_t rho) {
    constexpr int32_t W = V.width;
    constexpr int32_t N = V.pixels();
    const int32_t dx = xx - f.R;
    const int32_t dy = yy - f.R;
    const int32_t s = isqrt_table[f.R * f.R - rho];
    const int32_t m = f.half - s;
    const int32_t qx = (dx * 65536) / s;
    const int32_t qy = (dy * 65536) / s;
    const int32_t ox = (m * qx) >> 16;
    const int32_t oy = (m * qy) >> 16;
    const int32_t so = wrap_offset<N>((yy + oy + f.y0) * W + (xx + ox + f.x0));
    if constexpr (V.edges == LensEdges::wrap) {
        dst[wrap_offset<N>((yy + f.y0) * W + (xx + f.x0))] = src[so];
    } else {
        dst[(yy + f.y0) * W + (xx + f.x0)] = src[so];  // spans are clipped to the frame
    }
}

}  // namespace lens_fast
