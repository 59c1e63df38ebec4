// The colour picture by the fastest path of this machine.
#pragma once

#include "effect/state.h"

// The same picture as colour_pass_reference (effect/colour_mapping.h).
template <const Variant& V>
void colour_pass(EffectState<V>& state);
