// The lenses by the fastest path of this machine.
#pragma once

#include <cstdint>

#include "effect/state.h"

// The same pixels as draw_lens_reference (effect/lens.h), byte for byte.
template <const Variant& V>
void draw_lens(uint32_t* dst, const uint32_t* src, int32_t x0, int32_t y0, int32_t R,
               const Ripple& ripple);
