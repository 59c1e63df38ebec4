// The colour picture made from the distance field, and the clipped store of
// one pixel.
#pragma once

#include <cstdint>

#include "effect/state.h"

// Stores colour at (x, y) unless x >= width or y >= height (as unsigned).
template <const Variant& V>
inline void put_pixel(uint32_t* buffer, uint32_t x, uint32_t y, uint32_t colour) {
    if (x >= static_cast<uint32_t>(V.width) || y >= static_cast<uint32_t>(V.height)) return;
    buffer[y * static_cast<uint32_t>(V.width) + x] = colour;
}

// The colour of one distance f given the field's extremes.
uint32_t distance_colour(float f, float field_min, float field_max);

// Maps every distance to its colour into picture; the plain loop, as written.
template <const Variant& V>
void colour_pass_reference(EffectState<V>& state);
// (effect/fast/colour.h has colour_pass: the same picture, faster.)
