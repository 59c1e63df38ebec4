// The magnifying lenses with rippled rims.
#pragma once

#include <cstdint>

#include "effect/state.h"

constexpr int32_t kIsqrtTableSize = 65537;

// Entry i is sqrt(i) rounded to the nearest integer; filled once by
// fill_isqrt_table and read-only afterwards.
extern int32_t isqrt_table[kIsqrtTableSize];
void fill_isqrt_table();

// Copies all pixels of src into dst (one block in the wrapping variant, pixel
// by pixel in the clipping variant).
template <const Variant& V>
void copy_frame(uint32_t* dst, const uint32_t* src);

// The largest lens size the square-root table serves (R x R entries).
constexpr int32_t kMaxLensSize = 256;

// Draws one lens of size R whose centre lies at (x0 + R, y0 + R), reading src
// (the picture) and writing dst (the working frame). The plain algorithm, as
// written: an arctangent and a sine per position. Any ripple and position are
// safe: a position at which the rim value is out of range (a NaN or infinite
// amplitude) is left as it is, a lens 2^20 pixels or more away is drawn
// where the frame wraps it to (or not at all when the frame clips), and a
// size above kMaxLensSize draws nothing.
template <const Variant& V>
void draw_lens_reference(uint32_t* dst, const uint32_t* src, int32_t x0, int32_t y0, int32_t R,
                         const Ripple& ripple);
//
// effect/fast/lens.h has draw_lens, which gives the same pixels faster.
