// colour_pass: the same picture as colour_pass_reference, faster.
//
// For a fixed field_min < field_max the colour is a step function of the
// distance f on [field_min, field_max]: t falls monotonically with f (every
// operation and rounding of its formula is monotonic), so r = round(255 -
// 255 t) rises and g = round(255 t) falls, both within 0..255, and b follows
// from r. Its steps are found once by bisecting over the ordered bit patterns
// of the non-negative singles between the extremes, asking distance_colour
// itself; two ends of equal colour have one colour in between (equal colours
// have equal r, and g can differ there only in the bit that b = 256 covers).
// Each pixel then looks its colour up among at most 512 steps. Distances
// outside the extremes (a field not made by the distance pass) and fields
// whose extremes are negative, equal or not finite take distance_colour.
#include <cmath>
#include <cstring>

#include "effect/fast/colour.h"

#include "effect/colour_mapping.h"

namespace {

constexpr int32_t kMaxSteps = 1024;

// Step k covers the keys from step_key[k] up to the next step's key.
uint32_t step_key[kMaxSteps];
uint32_t step_colour[kMaxSteps];
int32_t step_count = 0;

uint32_t key_of(float f) {
    uint32_t key;
    std::memcpy(&key, &f, sizeof key);
    return key;
}

float float_of(uint32_t key) {
    float f;
    std::memcpy(&f, &key, sizeof f);
    return f;
}

struct Mapping {
    float lo;
    float hi;
    uint32_t colour(uint32_t key) const { return distance_colour(float_of(key), lo, hi); }
};

// Records the steps inside (lo_key, hi_key], whose ends have the colours given.
bool find_steps(const Mapping& map, uint32_t lo_key, uint32_t lo_colour, uint32_t hi_key,
                uint32_t hi_colour) {
    if (lo_colour == hi_colour) return true;
    if (hi_key - lo_key == 1) {
        if (step_count == kMaxSteps) return false;
        step_key[step_count] = hi_key;
        step_colour[step_count] = hi_colour;
        ++step_count;
        return true;
    }
    const uint32_t mid_key = lo_key + (hi_key - lo_key) / 2;
    const uint32_t mid_colour = map.colour(mid_key);
    return find_steps(map, lo_key, lo_colour, mid_key, mid_colour) &&
           find_steps(map, mid_key, mid_colour, hi_key, hi_colour);
}

bool build_steps(float lo, float hi) {
    const Mapping map{lo, hi};
    const uint32_t lo_key = key_of(lo);
    const uint32_t hi_key = key_of(hi);
    step_count = 0;
    step_key[0] = lo_key;
    step_colour[0] = map.colour(lo_key);
    step_count = 1;
    return find_steps(map, lo_key, step_colour[0], hi_key, map.colour(hi_key));
}

uint32_t lookup(uint32_t key) {
    int32_t first = 0;
    int32_t count = step_count;
    while (count > 1) {
        const int32_t half = count / 2;
        if (step_key[first + half] <= key) first += half;
        count -= half;
    }
    return step_colour[first];
}

}  // namespace

template <const Variant& V>
void colour_pass(EffectState<V>& state) {
    const float lo = state.field_min;
    const float hi = state.field_max;
    if (!(lo >= 0.0f) || std::signbit(lo) || !(hi > lo) || !std::isfinite(hi) ||
        !build_steps(lo, hi)) {
        colour_pass_reference<V>(state);
        return;
    }
    const uint32_t lo_key = key_of(lo);
    const uint32_t hi_key = key_of(hi);
    for (int32_t x = 0; x < V.width; ++x) {
        const float* column = state.distance_field + x * V.height;
        for (int32_t y = 0; y < V.height; ++y) {
            const uint32_t key = key_of(column[y]);
            // Negative values, -0 and NaN have keys above hi_key.
            const uint32_t colour = key >= lo_key && key <= hi_key
                                        ? lookup(key)
                                        : distance_colour(column[y], lo, hi);
            state.picture[y * V.width + x] = colour;
        }
    }
}

template void colour_pass<variant320>(EffectState<variant320>&);
template void colour_pass<variant640>(EffectState<variant640>&);
