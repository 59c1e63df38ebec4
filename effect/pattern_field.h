// The cell pattern: 83 random points and the distance of every pixel to the
// nearest of them.
#pragma once

#include "effect/state.h"

// Distance from (px, py) to the nearest point; the point count comes from the
// upper bound of xs.
float nearest_point_distance(float px, float py, const BoundedArray<float>& xs,
                             const BoundedArray<float>& ys);

// Draws the points with rt_rnd: x of point 0, y of point 0, x of point 1, ...
template <const Variant& V>
void draw_points(EffectState<V>& state);

// Fills distance_field, field_min and field_max; the plain scan, as written.
template <const Variant& V>
void distance_pass_reference(EffectState<V>& state);
// (effect/fast/distance.h has distance_pass: the same results, faster.)
