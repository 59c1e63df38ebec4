#include "effect/driver.h"

#include <cmath>

#include "effect/fast/colour.h"
#include "effect/fast/distance.h"
#include "effect/fast/lens.h"
#include "effect/lens.h"
#include "effect/pattern_field.h"
#include "runtime/numbers.h"

namespace {

// Extended-precision operations rounded as the x87 unit rounds them
// (rt_ext); the division by 4 and the product with 0.5 are exact.
long double add(long double a, long double b) { return rt_ext(a + b); }
long double mul(long double a, long double b) { return rt_ext(a * b); }
long double sin_x(long double a) { return rt_ext(std::sin(a)); }
long double cos_x(long double a) { return rt_ext(std::cos(a)); }

// Amplitude of the rim ripple for a clock reading: 0.5 x sin(time / 4).
long double ripple_amplitude(double clock) {
    return sin_x(static_cast<long double>(clock) / 4.0L) * static_cast<long double>(0.5);
}

long double ld(double constant) { return static_cast<long double>(constant); }

}  // namespace

template <const Variant& V>
void effect_setup(EffectState<V>& state, double seed) {
    rt_randomize(seed);
    fill_isqrt_table();
    draw_points<V>(state);
    distance_pass<V>(state);  // starts field_min at 1e16 and field_max at 0
    colour_pass<V>(state);
}

bool clock_reading_drawable(double clock) { return std::isfinite(rt_single(clock)); }

void animation_begin(AnimationState& anim, double amp_clock) {
    anim.amp_sign = rt_sgn_double(static_cast<double>(ripple_amplitude(amp_clock)));
}

void animation_step(AnimationState& anim, double frame_clock, double amp_clock) {
    anim.anim_time = rt_single(frame_clock);
    anim.ripple_phase = rt_single(add(ld(0.2), anim.ripple_phase));
    anim.ripple_amp = rt_single(ripple_amplitude(amp_clock));

    const int32_t sign = rt_sgn_single(rt_single(10.0f * static_cast<long double>(anim.ripple_amp)));
    if (sign != anim.amp_sign) {
        anim.lobe_count = (anim.lobe_count + 1) % 6;
        anim.amp_sign = sign;
    }

    const long double t = anim.anim_time;
    const long double across = ld(280.0);
    const long double down = ld(180.0);
    int32_t* o = anim.offsets;
    o[0] = rt_floor_to_int(mul(mul(sin_x(mul(ld(0.6), t)), cos_x(t)), across));
    o[1] = rt_floor_to_int(mul(mul(cos_x(add(ld(0.2), t)), cos_x(mul(ld(0.1), t))), down));
    o[2] = rt_floor_to_int(mul(mul(cos_x(mul(ld(0.1), t)), sin_x(t)), across));
    o[3] = rt_floor_to_int(mul(mul(cos_x(add(ld(0.12), t)), cos_x(mul(ld(1.1), t))), down));
    o[4] = rt_floor_to_int(mul(mul(sin_x(mul(ld(0.34), t)), sin_x(mul(ld(0.45), t))), across));
    o[5] = rt_floor_to_int(mul(mul(sin_x(add(ld(0.72), t)), cos_x(mul(ld(0.5), t))), down));
}

template <const Variant& V>
void render_frame(EffectState<V>& state) {
    copy_frame<V>(state.work_frame, state.picture);
    const Ripple ripple = state.anim.ripple();
    for (int32_t k = 0; k < 3; ++k) {
        const LensPlacement& lens = V.lenses[k];
        draw_lens<V>(state.work_frame, state.picture, state.anim.offsets[2 * k] + lens.base_x,
                     state.anim.offsets[2 * k + 1] + lens.base_y, lens.size, ripple);
    }
}

template void effect_setup<variant320>(EffectState<variant320>&, double);
template void effect_setup<variant640>(EffectState<variant640>&, double);
template void render_frame<variant320>(EffectState<variant320>&);
template void render_frame<variant640>(EffectState<variant640>&);
