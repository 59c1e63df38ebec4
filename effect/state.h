// The effect's buffers and animation state for one variant.
//
// The demo keeps one EffectState per program as a static object; tests and the
// render tool make their own (on the heap: a 640x480 state is 3.6 MiB).
#pragma once

#include <cstdint>

#include "effect/variant.h"
#include "runtime/arrays.h"

// The ripple of the lens rims, fixed for one frame.
struct Ripple {
    int32_t lobe_count;  // 0..5
    float ripple_phase;
    float ripple_amp;    // between -0.5 and 0.5
};

struct AnimationState {
    float ripple_phase = 0.02f;
    float ripple_amp = 0.0f;
    int32_t lobe_count = 3;
    int32_t amp_sign = 0;
    float anim_time = 0.0f;
    // x1, y1, x2, y2, x3, y3: offsets of the lenses from their base positions.
    int32_t offsets[6] = {0, 0, 0, 0, 0, 0};

    Ripple ripple() const { return {lobe_count, ripple_phase, ripple_amp}; }
};

template <const Variant& V>
struct EffectState {
    static constexpr int32_t W = V.width;
    static constexpr int32_t H = V.height;
    static constexpr int32_t N = V.width * V.height;

    uint32_t work_frame[N];
    uint32_t picture[N];
    // Element (x, y) at x * H + y: the second index varies fastest.
    float distance_field[N];
    float point_x_store[kPointCount];
    float point_y_store[kPointCount];
    BoundedArray<float> point_x{point_x_store, 1, {{0, kPointCount - 1}}};
    BoundedArray<float> point_y{point_y_store, 1, {{0, kPointCount - 1}}};
    float field_min = 0.0f;
    float field_max = 0.0f;
    AnimationState anim;

    EffectState() = default;
    EffectState(const EffectState&) = delete;
    EffectState& operator=(const EffectState&) = delete;
};
