// The demo's set-up and animation, without any display.
#pragma once

#include <cstdint>

#include "effect/state.h"

// The set-up with the given seed: seeds the generator with
// rt_randomize(seed), fills the square-root table, draws the points, and
// builds the distance field and the picture.
template <const Variant& V>
void effect_setup(EffectState<V>& state, double seed);

// The last step of the set-up: amp_sign from a clock reading of its own.
void animation_begin(AnimationState& anim, double amp_clock);

// Whether the animation can be driven soundly by a clock reading: its
// single-precision value (the animation time) must be finite, that is
// |clock| < 2^128 - 2^103. Every finite animation time keeps the lens offsets
// within a few hundred pixels; a reading beyond would make them NaN.
bool clock_reading_drawable(double clock);

// The animation of one frame: anim_time from frame_clock, the ripple phase,
// the ripple amplitude from amp_clock, the lobe step and the lens offsets.
void animation_step(AnimationState& anim, double frame_clock, double amp_clock);

// The drawing of one frame: work_frame = picture with the three lenses.
template <const Variant& V>
void render_frame(EffectState<V>& state);
