// The per-frame animation state: ripple, lobes and lens offsets.
#include <cmath>

#include <gtest/gtest.h>

#include "effect/driver.h"

namespace {

// Clock readings at which 0.5 x sin(time / 4) is +0.5 and -0.5.
const double kPositive = 2.0 * M_PI;
const double kNegative = 6.0 * M_PI;

}  // namespace

TEST(Animation, OffsetsAtTimeZero) {
    AnimationState anim;
    animation_step(anim, 0.0, 0.0);
    EXPECT_EQ(anim.offsets[0], 0);
    EXPECT_EQ(anim.offsets[1], 176);
    EXPECT_EQ(anim.offsets[2], 0);
    EXPECT_EQ(anim.offsets[3], 178);
    EXPECT_EQ(anim.offsets[4], 0);
    EXPECT_EQ(anim.offsets[5], 118);
}

TEST(Animation, OffsetsFloorTowardMinusInfinity) {
    AnimationState anim;
    // Just past t = pi/2, x1 = sin(0.6 t) cos(t) 280 lies between -1 and 0.
    animation_step(anim, 1.5725, 1.5725);
    const long double t = anim.anim_time;
    const long double x1 = std::sin(0.6L * t) * std::cos(t) * 280.0L;
    ASSERT_LT(x1, 0.0L);
    ASSERT_GT(x1, -1.0L);
    EXPECT_EQ(anim.offsets[0], -1);
}

TEST(Animation, RipplePhaseAddsTwoTenthsInSinglePrecision) {
    AnimationState anim;
    animation_step(anim, 0.0, 1.0);
    EXPECT_EQ(anim.ripple_phase, 0.22f);
    for (int i = 1; i < 1000; ++i) animation_step(anim, 0.0, 1.0);
    EXPECT_NEAR(anim.ripple_phase, 200.018, 0.0005);
    EXPECT_NE(anim.ripple_phase, 200.02f);  // the rounded steps drift from 0.2 x 1000

    anim.ripple_phase = 1048576.0f;  // 2^20: steps of 0.25 from here
    animation_step(anim, 0.0, 1.0);
    EXPECT_EQ(anim.ripple_phase, 1048576.25f);
    anim.ripple_phase = 4194304.0f;  // 2^22: adding 0.2 changes nothing
    animation_step(anim, 0.0, 1.0);
    EXPECT_EQ(anim.ripple_phase, 4194304.0f);
}

TEST(Animation, AnimTimeIsTheClockInSinglePrecision) {
    AnimationState anim;
    animation_step(anim, 524288.03, 1.0);  // 2^19 s: steps of 1/16 s
    EXPECT_EQ(anim.anim_time, 524288.0f);
    animation_step(anim, 524288.04, 1.0);
    EXPECT_EQ(anim.anim_time, 524288.0625f);
}

TEST(Animation, RippleAmplitudeFollowsItsOwnClockReading) {
    AnimationState anim;
    animation_step(anim, 0.0, kPositive);
    EXPECT_EQ(anim.ripple_amp, 0.5f);
    animation_step(anim, kPositive, kNegative);
    EXPECT_EQ(anim.ripple_amp, -0.5f);
}

TEST(Animation, LobeCountStepsAtEachSignChangeAndReturnsAfterSix) {
    AnimationState anim;
    animation_begin(anim, kPositive);
    EXPECT_EQ(anim.amp_sign, 1);
    animation_step(anim, 0.0, kPositive);  // same sign as at the end of set-up
    EXPECT_EQ(anim.lobe_count, 3);
    const int expected[] = {4, 5, 0, 1, 2, 3};
    for (int k = 0; k < 6; ++k) {
        animation_step(anim, 0.0, k % 2 == 0 ? kNegative : kPositive);
        EXPECT_EQ(anim.lobe_count, expected[k]);
        animation_step(anim, 0.0, k % 2 == 0 ? kNegative : kPositive);  // no change
        EXPECT_EQ(anim.lobe_count, expected[k]);
    }
}

TEST(Animation, FirstFrameStepsWhenTheSignDiffersFromSetUp) {
    AnimationState anim;
    animation_begin(anim, kNegative);
    EXPECT_EQ(anim.amp_sign, -1);
    animation_step(anim, 0.0, kPositive);
    EXPECT_EQ(anim.lobe_count, 4);
}

TEST(Animation, AZeroAmplitudeIsAChangeOfItsOwn) {
    AnimationState anim;
    animation_begin(anim, kPositive);
    animation_step(anim, 0.0, 0.0);  // sin(0) = 0: sign 0
    EXPECT_EQ(anim.amp_sign, 0);
    EXPECT_EQ(anim.lobe_count, 4);
    animation_step(anim, 0.0, kPositive);
    EXPECT_EQ(anim.lobe_count, 5);
}
