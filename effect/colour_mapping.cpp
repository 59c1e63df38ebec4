#include "effect/colour_mapping.h"

#include "runtime/numbers.h"

uint32_t distance_colour(float f, float field_min, float field_max) {
    // The differences of singles are exact; the quotient, the step from 1
    // and 1 / r are rounded as the x87 unit rounds them (rt_ext).
    const float t = rt_single(rt_ext(1.0f - rt_ext((static_cast<long double>(f) - field_min) /
                                                   (static_cast<long double>(field_max) - field_min))));
    const int32_t r = rt_round_to_int(255.0f - 255.0f * static_cast<long double>(t));
    const int32_t g = rt_round_to_int(255.0f * static_cast<long double>(t));
    // r = 0 gives 1.0 / 0 = +infinity, which converts to -2147483648: that
    // pixel's blue word is 0x80000000, as the picture has always had it.
    const int32_t b = rt_round_to_int(rt_ext(1.0L / r) * 256.0L);
    return (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) |
           static_cast<uint32_t>(b);
}

template <const Variant& V>
void colour_pass_reference(EffectState<V>& state) {
    for (int32_t y = 0; y < V.height; ++y) {
        for (int32_t x = 0; x < V.width; ++x) {
            const float f = state.distance_field[x * V.height + y];
            put_pixel<V>(state.picture, static_cast<uint32_t>(x), static_cast<uint32_t>(y),
                         distance_colour(f, state.field_min, state.field_max));
        }
    }
}

template void colour_pass_reference<variant320>(EffectState<variant320>&);
template void colour_pass_reference<variant640>(EffectState<variant640>&);
