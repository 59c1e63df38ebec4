// The paths the demo and the render tool use. Until faster paths exist they
// are the plain algorithms.
#include "effect/colour_mapping.h"
#include "effect/lens.h"
#include "effect/pattern_field.h"

template <const Variant& V>
void distance_pass(EffectState<V>& state) {
    distance_pass_reference<V>(state);
}

template <const Variant& V>
void colour_pass(EffectState<V>& state) {
    colour_pass_reference<V>(state);
}

template <const Variant& V>
void draw_lens(uint32_t* dst, const uint32_t* src, int32_t x0, int32_t y0, int32_t R,
               const Ripple& ripple) {
    draw_lens_reference<V>(dst, src, x0, y0, R, ripple);
}

template void distance_pass<variant320>(EffectState<variant320>&);
template void distance_pass<variant640>(EffectState<variant640>&);
template void colour_pass<variant320>(EffectState<variant320>&);
template void colour_pass<variant640>(EffectState<variant640>&);
template void draw_lens<variant320>(uint32_t*, const uint32_t*, int32_t, int32_t, int32_t,
                                    const Ripple&);
template void draw_lens<variant640>(uint32_t*, const uint32_t*, int32_t, int32_t, int32_t,
                                    const Ripple&);
