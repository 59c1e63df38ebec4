// The lens spans with AVX2 (x86-64 only), and the per-lobe-count tables it
// shares with the AVX-512 path.
#pragma once

#include "effect/fast/lens_frame.h"

#if defined(__x86_64__)
namespace lens_fast {

// sin(L x theta) and cos(L x theta) laid out as the angle table, and 1 / s for
// s = 1..kMaxSize; rebuilt when the lobe count L changes.
struct LobeWave {
    const double* sin;
    const double* cos;
    const double* reciprocal;
};
LobeWave lobe_wave(int32_t lobes);

// Draws the given spans with AVX2; positions whose double-precision rim value
// is too close to a rounding boundary are settled by exact_rho.
template <const Variant& V>
void draw_spans_avx2(uint32_t* dst, const uint32_t* src, const LensFrame& f, const RowSpan* spans,
                     int32_t count);

}  // namespace lens_fast
#endif
