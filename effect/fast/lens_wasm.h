// The lens spans with WebAssembly SIMD (builds with -msimd128 only), and the
// per-lobe-count tables they read.
#pragma once

#include "effect/fast/lens_frame.h"

#if defined(__wasm_simd128__)
namespace lens_fast {

// sin(L x theta) and cos(L x theta) laid out as the angle table; rebuilt
// when the lobe count L changes.
struct LobeWave {
    const double* sin;
    const double* cos;
};
LobeWave lobe_wave(int32_t lobes);

// Draws the given spans two positions at a time; positions whose
// double-precision rim value is too close to a rounding boundary are settled
// by exact_rho.
template <const Variant& V>
void draw_spans_wasm(uint32_t* dst, const uint32_t* src, const LensFrame& f, const RowSpan* spans,
                     int32_t count);

}  // namespace lens_fast
#endif
