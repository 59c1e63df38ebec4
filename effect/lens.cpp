#include "effect/lens.h"

#include <cmath>
#include <cstring>

#include "effect/colour_mapping.h"
#include "effect/lens_offsets.h"
#include "runtime/numbers.h"

int32_t isqrt_table[kIsqrtTableSize];

void fill_isqrt_table() {
    for (int32_t i = 0; i < kIsqrtTableSize; ++i) {
        isqrt_table[i] = rt_round_to_int(rt_ext(std::sqrt(static_cast<long double>(i))));
    }
}

template <const Variant& V>
void copy_frame(uint32_t* dst, const uint32_t* src) {
    if constexpr (V.edges == LensEdges::wrap) {
        std::memcpy(dst, src, sizeof(uint32_t) * static_cast<size_t>(V.pixels()));
    } else {
        for (int32_t i = 0; i < V.pixels(); ++i) dst[i] = src[i];
    }
}

namespace {

// Positions nearer than this keep every step of the algorithm in 32 bits.
constexpr int32_t kFarOffset = 1 << 20;

// Brings a far lens position back: in the wrapping variant to the position
// the frame wraps it to, which draws the same pixels; false in the clipping
// variant, where no pixel of such a lens lies in the frame.
template <const Variant& V>
bool bring_near(int32_t& x0, int32_t& y0) {
    if (x0 > -kFarOffset && x0 < kFarOffset && y0 > -kFarOffset && y0 < kFarOffset) return true;
    if constexpr (V.edges == LensEdges::clip) {
        return false;
    } else {
        constexpr int64_t N = V.pixels();
        const int64_t at = ((static_cast<int64_t>(y0) * V.width + x0) % N + N) % N;
        x0 = static_cast<int32_t>(at % V.width);
        y0 = static_cast<int32_t>(at / V.width);
        return true;
    }
}

}  // namespace

template <const Variant& V>
void draw_lens_reference(uint32_t* dst, const uint32_t* src, int32_t x0, int32_t y0, int32_t R,
                         const Ripple& ripple) {
    constexpr int32_t W = V.width;
    constexpr int32_t N = V.pixels();
    // Sizes the square-root table serves, and positions the frame can show.
    if (R > kMaxLensSize || !bring_near<V>(x0, y0)) return;
    const int32_t half = R >> 1;
    const int32_t limit = R * R - 10 * half;
    const int32_t start = -(R / 2);
    const int32_t end = 3 * R - 1;
    for (int32_t yy = start; yy <= end; ++yy) {
        for (int32_t xx = start; xx <= end; ++xx) {
            const int32_t dx = xx - R;
            const int32_t dy = yy - R;
            const int32_t d2 = dx * dx + dy * dy;
            const float theta = rt_single(rt_ext(
                std::atan2(static_cast<long double>(dy), static_cast<long double>(dx))));
            // Each extended operation rounded as the x87 unit does (rt_ext);
            // lobe_count x theta is exact.
            const long double angle = rt_ext(
                rt_ext(static_cast<long double>(ripple.lobe_count) * theta + ripple.ripple_phase) +
                static_cast<long double>(3.141593));
            const long double swell =
                rt_ext(rt_ext(rt_ext(std::sin(angle)) * ripple.ripple_amp) +
                       static_cast<long double>(1.0));
            const int32_t rho = rt_round_to_int(rt_ext(static_cast<long double>(d2) * swell));
            if (rho >= limit) continue;
            // A ripple beyond its range (a NaN or infinite amplitude gives rho
            // = INT32_MIN) would read past the table: such positions stay as
            // they are.
            const int64_t root_index = static_cast<int64_t>(R) * R - rho;
            if (root_index >= kIsqrtTableSize) continue;
            const int32_t s = isqrt_table[root_index];
            const int32_t m = half - s;
            const int32_t qx = (dx * 65536) / s;
            const int32_t qy = (dy * 65536) / s;
            const int32_t ox = (m * qx) >> 16;
            const int32_t oy = (m * qy) >> 16;
            const int32_t so = wrap_offset<N>((yy + oy + y0) * W + (xx + ox + x0));
            if constexpr (V.edges == LensEdges::wrap) {
                dst[wrap_offset<N>((yy + y0) * W + (xx + x0))] = src[so];
            } else {
                put_pixel<V>(dst, static_cast<uint32_t>(xx + x0), static_cast<uint32_t>(yy + y0),
                             src[so]);
            }
        }
    }
}

template void copy_frame<variant320>(uint32_t*, const uint32_t*);
template void copy_frame<variant640>(uint32_t*, const uint32_t*);
template void draw_lens_reference<variant320>(uint32_t*, const uint32_t*, int32_t, int32_t, int32_t,
                                              const Ripple&);
template void draw_lens_reference<variant640>(uint32_t*, const uint32_t*, int32_t, int32_t, int32_t,
                                              const Ripple&);
