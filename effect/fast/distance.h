// The distance field by the fastest path of this machine.
#pragma once

#include "effect/state.h"

// The same field, extremes and bits as distance_pass_reference
// (effect/pattern_field.h).
template <const Variant& V>
void distance_pass(EffectState<V>& state);
