#include "effect/pattern_field.h"

#include <cmath>

#include "runtime/numbers.h"

float nearest_point_distance(float px, float py, const BoundedArray<float>& xs,
                             const BoundedArray<float>& ys) {
    float best = rt_single(static_cast<long double>(1e16));
    const int32_t n = rt_array_ubound(xs, 0);
    for (int32_t i = 0; i <= n; ++i) {
        const long double dx = static_cast<long double>(xs[i]) - px;
        const long double dy = static_cast<long double>(ys[i]) - py;
        const float a = rt_single(dx * dx);
        const float b = rt_single(dy * dy);
        // The sum and the root rounded as the x87 unit rounds them (rt_ext).
        const float d = rt_single(rt_ext(std::sqrt(rt_ext(static_cast<long double>(b) + a))));
        if (d < best) best = d;
    }
    return best;
}

template <const Variant& V>
void draw_points(EffectState<V>& state) {
    for (int32_t i = 0; i < kPointCount; ++i) {
        state.point_x[i] = rt_single(static_cast<long double>(rt_rnd(1)) * V.scale_x);
        state.point_y[i] = rt_single(static_cast<long double>(rt_rnd(1)) * V.scale_y);
    }
}

template <const Variant& V>
void distance_pass_reference(EffectState<V>& state) {
    state.field_min = rt_single(static_cast<long double>(1e16));
    state.field_max = 0.0f;
    for (int32_t y = 0; y < V.height; ++y) {
        for (int32_t x = 0; x < V.width; ++x) {
            const float d = nearest_point_distance(static_cast<float>(x), static_cast<float>(y),
                                                   state.point_x, state.point_y);
            state.distance_field[x * V.height + y] = d;
            if (d < state.field_min) state.field_min = d;
            if (d > state.field_max) state.field_max = d;
        }
    }
}

template void draw_points<variant320>(EffectState<variant320>&);
template void draw_points<variant640>(EffectState<variant640>&);
template void distance_pass_reference<variant320>(EffectState<variant320>&);
template void distance_pass_reference<variant640>(EffectState<variant640>&);
