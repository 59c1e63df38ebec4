// The lens renderer: worked positions, the rim, and the two edge behaviours.
#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "effect/driver.h"
#include "effect/fast/lens.h"
#include "effect/lens.h"
#include "effect/lens_offsets.h"

namespace {

constexpr uint32_t kUntouched = 0xFFFFFFFFu;

template <const Variant& V>
struct LensFrames {
    std::vector<uint32_t> src, dst;
    LensFrames() : src(V.pixels()), dst(V.pixels(), kUntouched) {
        fill_isqrt_table();
        for (int32_t i = 0; i < V.pixels(); ++i) src[i] = static_cast<uint32_t>(i);
    }
    uint32_t at(const std::vector<uint32_t>& f, int32_t x, int32_t y) const {
        return f[y * V.width + x];
    }
};

const Ripple kFlat{3, 0.22f, 0.0f};

size_t untouched(const std::vector<uint32_t>& frame) {
    return static_cast<size_t>(std::count(frame.begin(), frame.end(), kUntouched));
}

}  // namespace

TEST(SquareRootTable, RoundsToTheNearestInteger) {
    fill_isqrt_table();
    EXPECT_EQ(isqrt_table[0], 0);
    EXPECT_EQ(isqrt_table[2], 1);
    EXPECT_EQ(isqrt_table[3], 2);
    EXPECT_EQ(isqrt_table[1875], 43);
    EXPECT_EQ(isqrt_table[2475], 50);  // 49.749...
    EXPECT_EQ(isqrt_table[65536], 256);
    for (int32_t i = 1; i < kIsqrtTableSize; ++i) {
        const int32_t s = isqrt_table[i];
        // s - 1/2 <= sqrt(i) < s + 1/2, in integers: (2s - 1)^2 <= 4i < (2s + 1)^2
        ASSERT_LE((2 * s - 1) * (2 * s - 1), 4 * i) << i;
        ASSERT_LT(4 * i, (2 * s + 1) * (2 * s + 1)) << i;
    }
}

TEST(Lens, WorkedPositionsForSizeFifty) {
    LensFrames<variant640> f;
    draw_lens_reference<variant640>(f.dst.data(), f.src.data(), 200, 200, 50, kFlat);
    // The centre (250, 250) shows itself; (dx, dy) shows (dx + ox, dy + oy).
    EXPECT_EQ(f.at(f.dst, 250, 250), f.at(f.src, 250, 250));
    EXPECT_EQ(f.at(f.dst, 260, 250), f.at(f.src, 255, 250));
    EXPECT_EQ(f.at(f.dst, 295, 250), f.at(f.src, 301, 250));
    EXPECT_EQ(f.at(f.dst, 230, 265), f.at(f.src, 238, 258));
}

TEST(Lens, FlatRimDrawsExactlyTheDiscBelowTheLimit) {
    for (int32_t lobes : {0, 3, 5}) {
        LensFrames<variant640> f;
        draw_lens_reference<variant640>(f.dst.data(), f.src.data(), 200, 200, 50,
                                        Ripple{lobes, 123.4f, 0.0f});
        for (int32_t y = 0; y < 480; ++y) {
            for (int32_t x = 0; x < 640; ++x) {
                const int32_t d2 = (x - 250) * (x - 250) + (y - 250) * (y - 250);
                ASSERT_EQ(f.at(f.dst, x, y) != kUntouched, d2 < 2250) << x << "," << y;
            }
        }
    }
}

TEST(Lens, RippleMovesTheRimWithLobesAndPhase) {
    // With no lobes the factor is 1 + amp * sin(phase + 3.141593): a phase of
    // pi/2 makes it about 1 - amp, so the disc grows to d2 < 2250 / (1 - amp).
    LensFrames<variant640> f;
    const float phase = static_cast<float>(M_PI / 2);
    draw_lens_reference<variant640>(f.dst.data(), f.src.data(), 200, 200, 50,
                                    Ripple{0, phase, 0.5f});
    EXPECT_NE(f.at(f.dst, 250 + 66, 250), kUntouched);  // 66^2 * 0.5 < 2250
    EXPECT_EQ(f.at(f.dst, 250 + 68, 250), kUntouched);  // 68^2 * 0.5 > 2250
    // Three lobes at phase 0: straight right the sine is about 0 (radius
    // sqrt(2250)); straight up it is -1, so the rim reaches sqrt(4500).
    LensFrames<variant640> g;
    draw_lens_reference<variant640>(g.dst.data(), g.src.data(), 200, 200, 50,
                                    Ripple{3, 0.0f, 0.5f});
    int32_t reach_right = 0;
    while (g.at(g.dst, 250 + reach_right + 1, 250) != kUntouched) ++reach_right;
    int32_t reach_up = 0;  // theta = -pi/2: sin(-3pi/2 + pi) = -1
    while (g.at(g.dst, 250, 250 - reach_up - 1) != kUntouched) ++reach_up;
    EXPECT_EQ(reach_right, 47);
    EXPECT_EQ(reach_up, 67);
}

TEST(Lens, WrapsPastTheRightEdgeOneRowLower) {
    LensFrames<variant320> f;
    draw_lens_reference<variant320>(f.dst.data(), f.src.data(), 300, 100, 50, kFlat);
    // Centre (350, 150) lies past column 319: it lands at (30, 151) and
    // shows the pixel it would show, also one row lower.
    EXPECT_EQ(f.at(f.dst, 30, 151), f.at(f.src, 30, 151));
    // (25, 0) from the centre: destination (375, 150) -> (55, 151); its
    // source (364, 150) -> (44, 151).
    EXPECT_EQ(f.at(f.dst, 55, 151), f.at(f.src, 44, 151));
    // (-40, 0) from the centre stays in its row: (310, 150) shows (316, 150).
    EXPECT_EQ(f.at(f.dst, 310, 150), f.at(f.src, 316, 150));
}

TEST(Lens, ClipsAtTheFrameEdgesWithoutDrawingElsewhere) {
    LensFrames<variant640> f;
    draw_lens_reference<variant640>(f.dst.data(), f.src.data(), 600, 440, 50, kFlat);
    int32_t expected = 0;
    for (int32_t y = 0; y < 480; ++y) {
        for (int32_t x = 0; x < 640; ++x) {
            const int32_t d2 = (x - 650) * (x - 650) + (y - 490) * (y - 490);
            expected += d2 < 2250;
            ASSERT_EQ(f.at(f.dst, x, y) != kUntouched, d2 < 2250) << x << "," << y;
        }
    }
    EXPECT_GT(expected, 500);
}

TEST(Lens, FarLowerRightWithAStretchedRimStaysInsideThePicture) {
    // Lens 2 of the small variant at the end of its path, rim stretched to
    // its limit: source offsets run past 2N and are reduced into the frame.
    for (int32_t lobes = 0; lobes <= 5; ++lobes) {
        LensFrames<variant320> f;
        const float phase = static_cast<float>(M_PI / 2);
        draw_lens_reference<variant320>(f.dst.data(), f.src.data(), 128 + 279, 88 + 179, 64,
                                        Ripple{lobes, phase, 0.5f});
        for (uint32_t v : f.dst) ASSERT_TRUE(v == kUntouched || v < 76800u);
    }
}

// Ripples and positions no sound clock reading gives: they must neither read
// outside the tables nor write outside the frame (the sanitizer build checks
// that), and they draw nothing or the lens the frame wraps them to.
TEST(Lens, ReadingsBeyondRangeStayInsideTheTablesOnEveryPath) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    using Draw = void (*)(uint32_t*, const uint32_t*, int32_t, int32_t, int32_t, const Ripple&);
    const Draw small[] = {draw_lens_reference<variant320>, draw_lens<variant320>};
    const Draw large[] = {draw_lens_reference<variant640>, draw_lens<variant640>};
    for (int path = 0; path < 2; ++path) {
        SCOPED_TRACE(path == 0 ? "plain" : "fast");
        for (float amp : {nan, inf, -inf}) {
            LensFrames<variant320> a;
            small[path](a.dst.data(), a.src.data(), 128, 88, 64, Ripple{3, 0.4f, amp});
            LensFrames<variant640> b;
            large[path](b.dst.data(), b.src.data(), 280, 200, 80, Ripple{3, 0.4f, amp});
            EXPECT_EQ(untouched(a.dst), a.dst.size()) << amp;
            EXPECT_EQ(untouched(b.dst), b.dst.size()) << amp;
        }
        const Ripple ripple{2, 1.5f, -0.5f};
        for (int32_t x0 : {INT_MIN + 128, INT_MAX - 3, 1 << 20}) {
            for (int32_t y0 : {INT_MIN + 88, 7, INT_MAX}) {
                // The same lens at a position with x0 and y0 each reduced on
                // its own: x0 by whole frames, y0 by whole heights.
                const int64_t n = 76800;
                const int32_t near_x = static_cast<int32_t>((x0 % n + n) % n);
                const int32_t near_y = static_cast<int32_t>((y0 % 240 + 240) % 240);
                LensFrames<variant320> far, near;
                small[path](far.dst.data(), far.src.data(), x0, y0, 64, ripple);
                draw_lens_reference<variant320>(near.dst.data(), near.src.data(), near_x, near_y,
                                                64, ripple);
                EXPECT_LT(untouched(near.dst), near.dst.size());
                EXPECT_TRUE(far.dst == near.dst) << x0 << "," << y0;
                LensFrames<variant640> clipped;
                large[path](clipped.dst.data(), clipped.src.data(), x0, y0, 80, ripple);
                EXPECT_EQ(untouched(clipped.dst), clipped.dst.size());
            }
        }
    }
    // Through the animation: an infinite clock makes the offsets INT_MIN and
    // the amplitude NaN; the frame is the picture.
    auto state = std::make_unique<EffectState<variant320>>();
    for (int32_t i = 0; i < 76800; ++i) state->picture[i] = static_cast<uint32_t>(i);
    animation_begin(state->anim, inf);
    animation_step(state->anim, inf, inf);
    render_frame<variant320>(*state);
    EXPECT_TRUE(std::equal(state->picture, state->picture + 76800, state->work_frame));
    EXPECT_FALSE(clock_reading_drawable(std::ldexp(1.0, 128) - std::ldexp(1.0, 103)));
    EXPECT_TRUE(clock_reading_drawable(std::nextafter(std::ldexp(1.0, 128) - std::ldexp(1.0, 103), 0.0)));
}

TEST(WrapOffset, BringsAnyOffsetIntoTheFrame) {
    constexpr int32_t N = 76800;
    EXPECT_EQ(wrap_offset<N>(0), 0);
    EXPECT_EQ(wrap_offset<N>(N), 0);
    EXPECT_EQ(wrap_offset<N>(-1), N - 1);
    EXPECT_EQ(wrap_offset<N>(-N), 0);
    EXPECT_EQ(wrap_offset<N>(2 * N - 1), N - 1);
    EXPECT_EQ(wrap_offset<N>(2 * N), 0);
    EXPECT_EQ(wrap_offset<N>(155000), 155000 - 2 * N);
    EXPECT_EQ(wrap_offset<N>(-2 * N - 7), N - 7);
}

TEST(CopyFrame, BothVariantsCopyEveryPixel) {
    LensFrames<variant320> a;
    copy_frame<variant320>(a.dst.data(), a.src.data());
    EXPECT_EQ(a.dst, a.src);
    LensFrames<variant640> b;
    copy_frame<variant640>(b.dst.data(), b.src.data());
    EXPECT_EQ(b.dst, b.src);
}
