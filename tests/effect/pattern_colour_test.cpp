// The pattern field and the colour mapping, case by case.
#include <cmath>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "effect/colour_mapping.h"
#include "effect/pattern_field.h"
#include "runtime/arrays.h"
#include "tests/doubles/colour_oracle.h"

namespace {

struct Points {
    float x[kPointCount];
    float y[kPointCount];
    BoundedArray<float> xs{x, 1, {{0, kPointCount - 1}}};
    BoundedArray<float> ys{y, 1, {{0, kPointCount - 1}}};
    void fill(float px, float py) {
        for (int32_t i = 0; i < kPointCount; ++i) {
            x[i] = px;
            y[i] = py;
        }
    }
};

}  // namespace

TEST(Arrays, UpperBoundOfTheFirstDimensionForZeroAndOne) {
    Points p;
    EXPECT_EQ(rt_array_ubound(p.xs, 0), 82);
    EXPECT_EQ(rt_array_ubound(p.xs, 1), 82);
    float grid[6];
    BoundedArray<float> two{grid, 2, {{0, 2}, {0, 1}}};
    EXPECT_EQ(rt_array_ubound(two, 2), 1);
}

TEST(NearestPoint, TakesTheNearestAndCountsPointsFromTheBound) {
    Points p;
    p.fill(100.0f, 100.0f);
    p.x[40] = 3.0f;
    p.y[40] = 4.0f;
    EXPECT_EQ(nearest_point_distance(0.0f, 0.0f, p.xs, p.ys), 5.0f);
    EXPECT_EQ(nearest_point_distance(3.0f, 4.0f, p.xs, p.ys), 0.0f);
    // A point beyond the array's upper bound is not consulted.
    p.xs.bounds[0].upper = 39;
    EXPECT_EQ(nearest_point_distance(3.0f, 4.0f, p.xs, p.ys),
              static_cast<float>(std::sqrt(97.0L * 97.0L + 96.0L * 96.0L)));
}

TEST(DistancePass, AllPointsInOnePlaceGiveTheDistanceToIt) {
    auto state = std::make_unique<EffectState<variant320>>();
    for (int32_t i = 0; i < kPointCount; ++i) {
        state->point_x[i] = 10.0f;
        state->point_y[i] = 20.0f;
    }
    distance_pass_reference<variant320>(*state);
    EXPECT_EQ(state->field_min, 0.0f);
    EXPECT_EQ(state->distance_field[10 * 240 + 20], 0.0f);
    EXPECT_EQ(state->distance_field[13 * 240 + 24], 5.0f);  // element (13, 24)
    EXPECT_EQ(state->field_max,
              static_cast<float>(std::sqrt(309.0L * 309.0L + 219.0L * 219.0L)));
}

TEST(Colour, ExtremesAndSmallRedValues) {
    EXPECT_EQ(distance_colour(0.0f, 0.0f, 255.0f), 0x8000FF00u);
    EXPECT_EQ(distance_colour(255.0f, 0.0f, 255.0f), 0x00FF0001u);
    EXPECT_EQ(distance_colour(1.0f, 0.0f, 255.0f), 0x0001FF00u);
    EXPECT_EQ(distance_colour(2.0f, 0.0f, 255.0f), 0x0002FD80u);
    EXPECT_EQ(distance_colour(3.0f, 0.0f, 255.0f), 0x0003FC55u);
    // Exactly half way both red and green round 127.5 to 128.
    EXPECT_EQ(distance_colour(93.5f, 3.5f, 183.5f), 0x00808002u);
    EXPECT_EQ(distance_colour(7.25f, 7.25f, 90.5f), 0x8000FF00u);
    EXPECT_EQ(distance_colour(90.5f, 7.25f, 90.5f), 0x00FF0001u);
}

TEST(Colour, EveryDistanceGivesAColourTheMappingCanProduce) {
    for (int i = 0; i <= 100000; ++i) {
        const float f = 3.5f + 180.0f * static_cast<float>(i) / 100000.0f;
        const uint32_t c = distance_colour(f, 3.5f, 183.5f);
        ASSERT_TRUE(mapping_colour(c)) << std::hex << c << " at " << f;
    }
}

TEST(PutPixel, StoresOnlyInsideTheFrame) {
    std::vector<uint32_t> frame(variant320.pixels(), 0);
    put_pixel<variant320>(frame.data(), 320, 0, 1);
    put_pixel<variant320>(frame.data(), 0, 240, 1);
    put_pixel<variant320>(frame.data(), static_cast<uint32_t>(-1), 5, 1);
    put_pixel<variant320>(frame.data(), 5, static_cast<uint32_t>(-1), 1);
    for (uint32_t v : frame) ASSERT_EQ(v, 0u);
    put_pixel<variant320>(frame.data(), 319, 239, 7);
    put_pixel<variant320>(frame.data(), 2, 1, 9);
    EXPECT_EQ(frame.back(), 7u);
    EXPECT_EQ(frame[322], 9u);
}
