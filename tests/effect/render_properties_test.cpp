// Properties of whole set-ups and frames.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>
#include <unordered_set>

#include <gtest/gtest.h>

#include "effect/colour_mapping.h"
#include "effect/driver.h"
#include "effect/fast/distance.h"
#include "effect/fast/lens.h"
#include "effect/lens.h"
#include "effect/pattern_field.h"
#include "runtime/numbers.h"
#include "tests/doubles/colour_oracle.h"

namespace {

template <const Variant& V>
std::unique_ptr<EffectState<V>> set_up(double seed) {
    auto state = std::make_unique<EffectState<V>>();
    effect_setup<V>(*state, seed);
    return state;
}

template <const Variant& V>
void check_set_up(const EffectState<V>& s) {
    bool has_min = false, has_max = false;
    for (int32_t i = 0; i < V.pixels(); ++i) {
        const float f = s.distance_field[i];
        ASSERT_GE(f, s.field_min);
        ASSERT_LE(f, s.field_max);
        has_min |= f == s.field_min;
        has_max |= f == s.field_max;
    }
    EXPECT_TRUE(has_min && has_max);
    EXPECT_LT(s.field_min, s.field_max);
    int32_t nearest = 0, farthest = 0;
    for (uint32_t c : s.picture) {
        ASSERT_TRUE(mapping_colour(c)) << std::hex << c;
        nearest += c == 0x8000FF00u;
        farthest += c == 0x00FF0001u;
    }
    EXPECT_GE(nearest, 1);
    EXPECT_GE(farthest, 1);
    for (int32_t i = 0; i < kPointCount; ++i) {
        ASSERT_GE(s.point_x_store[i], 0.0f);
        ASSERT_LT(s.point_x_store[i], static_cast<float>(V.width));
        ASSERT_GE(s.point_y_store[i], 0.0f);
        ASSERT_LT(s.point_y_store[i], static_cast<float>(V.height));
    }
}

}  // namespace

TEST(SetUp, SmallVariantPictureIsMadeOfMappingColours) {
    auto s = set_up<variant320>(1.0);
    check_set_up(*s);
}

TEST(SetUp, LargeVariantPictureIsMadeOfMappingColours) {
    auto s = set_up<variant640>(1.0);
    check_set_up(*s);
}

TEST(SetUp, SameSeedSamePictureOtherSeedOtherPicture) {
    auto a = set_up<variant320>(7.0);
    auto b = set_up<variant320>(7.9);  // truncated to the same seed
    auto c = set_up<variant320>(8.0);
    EXPECT_TRUE(std::equal(a->picture, a->picture + 76800, b->picture));
    EXPECT_FALSE(std::equal(a->picture, a->picture + 76800, c->picture));
}

TEST(SetUp, PointOnIntegerCoordinatesGivesDistanceZero) {
    auto s = std::make_unique<EffectState<variant320>>();
    rt_randomize(3.0);
    draw_points<variant320>(*s);
    s->point_x[17] = 100.0f;
    s->point_y[17] = 50.0f;
    distance_pass<variant320>(*s);
    EXPECT_EQ(s->distance_field[100 * 240 + 50], 0.0f);
    EXPECT_EQ(s->field_min, 0.0f);
}

TEST(Frame, ShowsOnlyPictureColoursAndTheLastLensOnTop) {
    auto s = set_up<variant640>(2.0);
    std::unordered_set<uint32_t> colours(s->picture, s->picture + variant640.pixels());
    animation_begin(s->anim, 3.0);
    for (double t : {0.0, 3.0, 17.25, 95.5}) {
        animation_step(s->anim, t, t);
        render_frame<variant640>(*s);
        for (uint32_t c : s->work_frame) ASSERT_TRUE(colours.count(c));
        // Lens 3, drawn alone onto an untouched frame, matches the frame
        // wherever it draws.
        std::vector<uint32_t> alone(variant640.pixels(), 0xFFFFFFFFu);
        const LensPlacement& l = variant640.lenses[2];
        draw_lens<variant640>(alone.data(), s->picture, s->anim.offsets[4] + l.base_x,
                              s->anim.offsets[5] + l.base_y, l.size, s->anim.ripple());
        int32_t drawn = 0;
        for (int32_t i = 0; i < variant640.pixels(); ++i) {
            if (alone[i] == 0xFFFFFFFFu) continue;
            ++drawn;
            ASSERT_EQ(alone[i], s->work_frame[i]);
        }
        EXPECT_GT(drawn, 1000);
    }
}

TEST(Frame, LensesMagnifyThePictureAroundTheirCentres) {
    auto s = set_up<variant640>(5.0);
    animation_begin(s->anim, 1.0);
    animation_step(s->anim, 1.0, 1.0);
    render_frame<variant640>(*s);
    int32_t changed = 0;
    for (int32_t i = 0; i < variant640.pixels(); ++i) changed += s->work_frame[i] != s->picture[i];
    EXPECT_GT(changed, 10000);
}
