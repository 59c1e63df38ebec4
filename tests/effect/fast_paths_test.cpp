// The fast set-up and lens paths against the plain ones, bit for bit.
//
// The plain lens costs an arctangent and a sine per position (about 25 ms for
// a 320x240 frame and 45 ms for a 640x480 one), and the plain 640x480 distance
// pass about 90 ms. The optimised native build runs the whole differential
// set: 1,000 random frames per variant and 100 whole set-ups per variant,
// split into shards that CTest runs side by side (about two and a half
// minutes of processor time). Sanitized builds and the 32-bit build under
// Wine, several times slower, run tens of frames and a few set-ups.
// OMBRITH_FAST_PATH_FRAMES and OMBRITH_FAST_PATH_SEEDS set the counts per
// variant for any build (a longer soak: OMBRITH_FAST_PATH_FRAMES=10000).
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "effect/colour_mapping.h"
#include "effect/driver.h"
#include "effect/fast/colour.h"
#include "effect/fast/distance.h"
#include "effect/fast/lens.h"
#include "effect/fast/simd.h"
#include "effect/lens.h"
#include "effect/pattern_field.h"
#include "runtime/numbers.h"

namespace {

#if defined(OMBRITH_FULL_DIFFERENTIAL)
constexpr bool kFullRun = true;
#else
constexpr bool kFullRun = false;
#endif

// Each random-frame and whole-set-up test is split into this many shards.
constexpr int32_t kShards = 4;

int32_t count_from_env(const char* name, int32_t fallback) {
    const char* text = std::getenv(name);
    return text ? std::atoi(text) : fallback;
}

// Random frames per variant.
int32_t frame_count(int32_t reduced) {
    return count_from_env("OMBRITH_FAST_PATH_FRAMES", kFullRun ? 1000 : reduced);
}

// Whole set-ups per variant.
int32_t seed_count(int32_t reduced) {
    return count_from_env("OMBRITH_FAST_PATH_SEEDS", kFullRun ? 100 : reduced);
}

// This shard's part of a total count: the shards together cover it exactly.
int32_t shard_part(int32_t total, int32_t shard) { return (total + kShards - 1 - shard) / kShards; }

// Restores the machine's SIMD level when a test ends.
struct SimdCeiling {
    explicit SimdCeiling(SimdLevel level) { simd_set_ceiling(level); }
    ~SimdCeiling() { simd_set_ceiling(SimdLevel::avx512); }
};

// The levels this machine runs: those a ceiling gives back as they are.
std::vector<SimdLevel> machine_levels() {
    std::vector<SimdLevel> levels;
    for (SimdLevel l : {SimdLevel::portable, SimdLevel::avx2, SimdLevel::avx512, SimdLevel::neon}) {
        simd_set_ceiling(l);
        if (simd_level() == l) levels.push_back(l);
    }
    simd_set_ceiling(SimdLevel::avx512);
    return levels;
}

uint32_t bits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

// A ripple as the animation makes them, with the ends of each range often.
Ripple random_ripple(std::mt19937& rng) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Ripple r{};
    r.lobe_count = static_cast<int32_t>(rng() % 6);
    const float amps[] = {-0.5f, 0.5f, 0.0f, -0.0f, 1e-30f, -0.4999999f};
    r.ripple_amp = rng() % 4 == 0 ? amps[rng() % 6] : static_cast<float>(unit(rng) - 0.5);
    const double span = std::log(4194304.0 / 0.22);
    r.ripple_phase = rng() % 8 == 0 ? (rng() % 2 ? 0.22f : 4194304.0f)
                                    : static_cast<float>(0.22 * std::exp(unit(rng) * span));
    return r;
}

// A picture whose pixels name their own index, so that any wrong source shows.
template <const Variant& V>
std::vector<uint32_t> index_picture() {
    std::vector<uint32_t> p(V.pixels());
    for (int32_t i = 0; i < V.pixels(); ++i) p[i] = static_cast<uint32_t>(i) * 2654435761u;
    return p;
}

struct LensCall {
    int32_t x0, y0, R;
};

// Three lenses of the variant at random offsets along and beyond their paths.
template <const Variant& V>
void random_lenses(std::mt19937& rng, LensCall* calls) {
    std::uniform_int_distribution<int32_t> along_x(-281, 280), along_y(-181, 180);
    std::uniform_int_distribution<int32_t> beyond_x(-3 * V.width, 3 * V.width);
    std::uniform_int_distribution<int32_t> beyond_y(-3 * V.height, 3 * V.height);
    for (int32_t k = 0; k < 3; ++k) {
        const bool beyond = rng() % 4 == 0;
        calls[k].x0 = V.lenses[k].base_x + (beyond ? beyond_x(rng) : along_x(rng));
        calls[k].y0 = V.lenses[k].base_y + (beyond ? beyond_y(rng) : along_y(rng));
        calls[k].R = V.lenses[k].size;
    }
}

// The frame the plain renderer draws with these lenses.
template <const Variant& V>
std::vector<uint32_t> plain_frame(const std::vector<uint32_t>& picture, const LensCall* calls,
                                  int32_t lenses, const Ripple& ripple) {
    std::vector<uint32_t> plain(V.pixels());
    copy_frame<V>(plain.data(), picture.data());
    for (int32_t k = 0; k < lenses; ++k) {
        draw_lens_reference<V>(plain.data(), picture.data(), calls[k].x0, calls[k].y0, calls[k].R,
                               ripple);
    }
    return plain;
}

// Draws the same lenses with the fast renderer and compares its frame with
// the plain renderer's (drawn once, for every SIMD level that is compared).
template <const Variant& V>
::testing::AssertionResult same_frame(const std::vector<uint32_t>& picture, const LensCall* calls,
                                      int32_t lenses, const Ripple& ripple,
                                      const std::vector<uint32_t>& plain) {
    std::vector<uint32_t> fast(V.pixels());
    copy_frame<V>(fast.data(), picture.data());
    for (int32_t k = 0; k < lenses; ++k) {
        draw_lens<V>(fast.data(), picture.data(), calls[k].x0, calls[k].y0, calls[k].R, ripple);
    }
    for (int32_t i = 0; i < V.pixels(); ++i) {
        if (plain[i] != fast[i]) {
            return ::testing::AssertionFailure()
                   << "pixel " << i << ": " << fast[i] << " instead of " << plain[i] << " (lobes "
                   << ripple.lobe_count << ", phase " << ripple.ripple_phase << ", amp "
                   << ripple.ripple_amp << ", lens 0 at " << calls[0].x0 << "," << calls[0].y0
                   << " size " << calls[0].R << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

template <const Variant& V>
::testing::AssertionResult same_frame(const std::vector<uint32_t>& picture, const LensCall* calls,
                                      int32_t lenses, const Ripple& ripple) {
    return same_frame<V>(picture, calls, lenses, ripple,
                         plain_frame<V>(picture, calls, lenses, ripple));
}

template <const Variant& V>
void random_frames_match(int32_t frames, uint32_t seed) {
    fill_isqrt_table();
    const std::vector<uint32_t> picture = index_picture<V>();
    std::mt19937 rng(seed);
    for (int32_t n = 0; n < frames; ++n) {
        LensCall calls[3];
        random_lenses<V>(rng, calls);
        const Ripple ripple = random_ripple(rng);
        ASSERT_TRUE(same_frame<V>(picture, calls, 3, ripple)) << "frame " << n;
    }
}

}  // namespace

class FastLensShard : public ::testing::TestWithParam<int32_t> {};

TEST_P(FastLensShard, SmallVariantRandomFramesMatchThePlainRenderer) {
    random_frames_match<variant320>(shard_part(frame_count(40), GetParam()),
                                    320 + 1000 * GetParam());
}

TEST_P(FastLensShard, LargeVariantRandomFramesMatchThePlainRenderer) {
    random_frames_match<variant640>(shard_part(frame_count(20), GetParam()),
                                    640 + 1000 * GetParam());
}

INSTANTIATE_TEST_SUITE_P(Shards, FastLensShard, ::testing::Range(0, kShards));

TEST(FastLens, EveryPathMatchesAtEachSimdLevel) {
    fill_isqrt_table();
    const std::vector<uint32_t> p320 = index_picture<variant320>();
    const std::vector<uint32_t> p640 = index_picture<variant640>();
    std::mt19937 rng(7);
    for (int32_t n = 0; n < 5; ++n) {
        LensCall small[3], large[3];
        const Ripple ripple = random_ripple(rng);
        random_lenses<variant320>(rng, small);
        random_lenses<variant640>(rng, large);
        const std::vector<uint32_t> plain320 = plain_frame<variant320>(p320, small, 3, ripple);
        const std::vector<uint32_t> plain640 = plain_frame<variant640>(p640, large, 3, ripple);
        for (SimdLevel level : machine_levels()) {
            SimdCeiling ceiling(level);
            ASSERT_TRUE(same_frame<variant320>(p320, small, 3, ripple, plain320)) << int(level);
            ASSERT_TRUE(same_frame<variant640>(p640, large, 3, ripple, plain640)) << int(level);
        }
    }
}

// Sizes, amplitudes, lobe counts and phases outside what the demo makes still
// give the plain renderer's pixels (partly by taking its path).
TEST(FastLens, UnusualSizesAndRipplesMatch) {
    fill_isqrt_table();
    const std::vector<uint32_t> picture = index_picture<variant320>();
    const Ripple ripples[] = {{3, 0.22f, 0.75f},     {2, 10.0f, -0.9f}, {7, 5.5f, 0.3f},
                              {-2, 5.5f, -0.3f},     {4, 3e7f, 0.5f},   {1, -12.5f, 0.25f},
                              {5, 4194304.0f, 0.5f}, {0, 1e-30f, -0.5f}};
    for (int32_t R : {1, 2, 7, 33, 80, 81}) {
        for (const Ripple& ripple : ripples) {
            const LensCall call{160 - R, 120 - R, R};
            EXPECT_TRUE(same_frame<variant320>(picture, &call, 1, ripple)) << "size " << R;
            if (R > 7) continue;
            const LensCall off{-R, 239 - R, R};  // across a corner of the frame
            EXPECT_TRUE(same_frame<variant320>(picture, &off, 1, ripple)) << "size " << R;
        }
    }
}

// With no lobes the swell is one value per frame; amplitudes chosen so that
// d2 x swell falls within a hair of k + 1/2 for many d2 make the double
// evaluation too close to call, and the exact one decides.
TEST(FastLens, RimValuesNextToHalfwayAreSettledLikeThePlainRenderer) {
    fill_isqrt_table();
    const std::vector<uint32_t> p320 = index_picture<variant320>();
    const std::vector<uint32_t> p640 = index_picture<variant640>();
    const LensCall small{100, 60, 50}, large{250, 200, 80};
    for (float phase : {0.22f, 1000.2f, 4194304.0f}) {
        const double wave =
            std::sin(static_cast<long double>(phase) + static_cast<long double>(3.141593));
        for (int32_t d2 : {1000, 1250, 2000}) {
            float amp = static_cast<float>(0.5 / d2 / wave);
            for (int32_t step = 0; step < 3; ++step) {
                const Ripple ripple{0, phase, amp};
                const std::vector<uint32_t> plain320 =
                    plain_frame<variant320>(p320, &small, 1, ripple);
                const std::vector<uint32_t> plain640 =
                    plain_frame<variant640>(p640, &large, 1, ripple);
                for (SimdLevel level : machine_levels()) {
                    SimdCeiling ceiling(level);
                    ASSERT_TRUE(same_frame<variant320>(p320, &small, 1, ripple, plain320))
                        << int(level);
                    ASSERT_TRUE(same_frame<variant640>(p640, &large, 1, ripple, plain640))
                        << int(level);
                }
                amp = std::nextafter(amp, 1.0f);
            }
        }
    }
}

// The largest lens of the small variant far down and right, where the source
// offset runs past twice the frame; and lenses far outside the frame.
TEST(FastLens, FarOffsetsWrapAndClipLikeThePlainRenderer) {
    fill_isqrt_table();
    const std::vector<uint32_t> p320 = index_picture<variant320>();
    const std::vector<uint32_t> p640 = index_picture<variant640>();
    const Ripple stretched{0, 4.0f, -0.5f};  // sin(4 + pi) < 0: the rim at its widest
    for (LensCall call : {LensCall{128 + 280, 88 + 179, 64}, LensCall{-5000, 9000, 50},
                          LensCall{319, 239, 44}, LensCall{-200, -150, 64}}) {
        EXPECT_TRUE(same_frame<variant320>(p320, &call, 1, stretched));
    }
    for (LensCall call : {LensCall{640, 0, 80}, LensCall{-240, -240, 80}, LensCall{600, 440, 70},
                          LensCall{2000, -3000, 64}}) {
        EXPECT_TRUE(same_frame<variant640>(p640, &call, 1, stretched));
    }
}

namespace {

template <const Variant& V>
struct SetUps {
    std::unique_ptr<EffectState<V>> plain = std::make_unique<EffectState<V>>();
    std::unique_ptr<EffectState<V>> fast = std::make_unique<EffectState<V>>();

    // Same points in both; the fast state gets the fast passes.
    void points(double seed) {
        rt_randomize(seed);
        draw_points<V>(*plain);
        rt_randomize(seed);
        draw_points<V>(*fast);
    }
};

template <const Variant& V>
void expect_same_field(const EffectState<V>& plain, const EffectState<V>& fast) {
    ASSERT_EQ(bits(plain.field_min), bits(fast.field_min));
    ASSERT_EQ(bits(plain.field_max), bits(fast.field_max));
    for (int32_t i = 0; i < V.pixels(); ++i) {
        ASSERT_EQ(bits(plain.distance_field[i]), bits(fast.distance_field[i])) << "at " << i;
    }
}

template <const Variant& V>
void expect_same_picture(const EffectState<V>& plain, const EffectState<V>& fast) {
    for (int32_t i = 0; i < V.pixels(); ++i) {
        ASSERT_EQ(plain.picture[i], fast.picture[i]) << "at " << i;
    }
}

// Full set-ups by both paths.
template <const Variant& V>
void full_set_ups_match(int32_t seeds, double first_seed, int32_t stride = 1) {
    SetUps<V> s;
    for (int32_t n = 0; n < seeds; ++n) {
        s.points(first_seed + 7919.0 * stride * n);
        distance_pass_reference<V>(*s.plain);
        distance_pass<V>(*s.fast);
        expect_same_field<V>(*s.plain, *s.fast);
        colour_pass_reference<V>(*s.plain);
        colour_pass<V>(*s.fast);
        expect_same_picture<V>(*s.plain, *s.fast);
    }
}

// Many seeds: the fast field against nearest_point_distance and the fast
// picture against distance_colour on random pixels, the extremes against the
// field itself.
template <const Variant& V>
void sampled_set_ups_match(int32_t seeds, int32_t samples) {
    SetUps<V> s;
    std::mt19937 rng(V.width);
    std::uniform_int_distribution<int32_t> px(0, V.width - 1), py(0, V.height - 1);
    for (int32_t n = 0; n < seeds; ++n) {
        s.points(1000.0 + 104729.0 * n);
        distance_pass<V>(*s.fast);
        colour_pass<V>(*s.fast);
        const EffectState<V>& f = *s.fast;
        float lo = f.distance_field[0], hi = f.distance_field[0];
        for (int32_t i = 0; i < V.pixels(); ++i) {
            lo = std::min(lo, f.distance_field[i]);
            hi = std::max(hi, f.distance_field[i]);
        }
        ASSERT_EQ(bits(lo), bits(f.field_min));
        ASSERT_EQ(bits(hi), bits(f.field_max));
        for (int32_t k = 0; k < samples; ++k) {
            // Pixels next to a point as well as anywhere.
            int32_t x = px(rng), y = py(rng);
            if (k % 2) {
                const int32_t i = static_cast<int32_t>(rng() % kPointCount);
                x = std::min(V.width - 1, static_cast<int32_t>(f.point_x_store[i]) + k % 3);
                y = std::min(V.height - 1, static_cast<int32_t>(f.point_y_store[i]) + k % 5 / 2);
            }
            const float d = nearest_point_distance(static_cast<float>(x), static_cast<float>(y),
                                                   f.point_x, f.point_y);
            ASSERT_EQ(bits(d), bits(f.distance_field[x * V.height + y])) << x << "," << y;
            ASSERT_EQ(distance_colour(d, f.field_min, f.field_max), f.picture[y * V.width + x]);
        }
    }
}

}  // namespace

class FastSetUpShard : public ::testing::TestWithParam<int32_t> {};

// Shards take disjoint seeds: shard k the k-th of every kShards.
TEST_P(FastSetUpShard, SmallVariantWholeSetUpsMatch) {
    full_set_ups_match<variant320>(shard_part(seed_count(8), GetParam()), 1.0 + 7919.0 * GetParam(),
                                   kShards);
}

TEST_P(FastSetUpShard, LargeVariantWholeSetUpsMatch) {
    full_set_ups_match<variant640>(shard_part(seed_count(4), GetParam()), 2.0 + 7919.0 * GetParam(),
                                   kShards);
}

INSTANTIATE_TEST_SUITE_P(Shards, FastSetUpShard, ::testing::Range(0, kShards));

TEST(FastSetUp, SmallVariantManySeedsMatchOnSampledPixels) {
    sampled_set_ups_match<variant320>(kFullRun ? 200 : 50, 2000);
}

TEST(FastSetUp, LargeVariantManySeedsMatchOnSampledPixels) {
    sampled_set_ups_match<variant640>(kFullRun ? 200 : 50, 2000);
}

TEST(FastSetUp, EachSimdLevelGivesTheSameField) {
    SetUps<variant320> s;
    s.points(31.0);
    distance_pass_reference<variant320>(*s.plain);
    colour_pass_reference<variant320>(*s.plain);
    for (SimdLevel level : machine_levels()) {
        SimdCeiling ceiling(level);
        SCOPED_TRACE(static_cast<int>(level));
        distance_pass<variant320>(*s.fast);
        expect_same_field<variant320>(*s.plain, *s.fast);
        colour_pass<variant320>(*s.fast);
        expect_same_picture<variant320>(*s.plain, *s.fast);
    }
}

// Points the exactness argument does not cover (off the 2^-13 grid, far
// outside the frame, fewer of them) and hand-made fields for the colours.
TEST(FastSetUp, OddPointsAndFieldsMatch) {
    SetUps<variant320> s;
    s.points(5.0);
    const float odd[][2] = {{1e-30f, 3.0f}, {0.1f, 0.3f}, {3000.5f, -2500.25f}, {319.99f, 0.0f}};
    for (const auto& p : odd) {
        s.plain->point_x_store[3] = s.fast->point_x_store[3] = p[0];
        s.plain->point_y_store[3] = s.fast->point_y_store[3] = p[1];
        distance_pass_reference<variant320>(*s.plain);
        distance_pass<variant320>(*s.fast);
        expect_same_field<variant320>(*s.plain, *s.fast);
    }
    // All points in one place, then only the first five of them.
    for (int32_t i = 0; i < kPointCount; ++i) {
        s.plain->point_x_store[i] = s.fast->point_x_store[i] = 100.0f;
        s.plain->point_y_store[i] = s.fast->point_y_store[i] = 50.5f;
    }
    s.plain->point_x_store[2] = s.fast->point_x_store[2] = 7.25f;
    for (int32_t upper : {82, 4}) {
        s.plain->point_x.bounds[0].upper = s.fast->point_x.bounds[0].upper = upper;
        distance_pass_reference<variant320>(*s.plain);
        distance_pass<variant320>(*s.fast);
        expect_same_field<variant320>(*s.plain, *s.fast);
        colour_pass_reference<variant320>(*s.plain);
        colour_pass<variant320>(*s.fast);
        expect_same_picture<variant320>(*s.plain, *s.fast);
    }

    // Fields with values outside their extremes, negative ones, -0 and NaN,
    // and degenerate extremes.
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> spread(-20.0f, 300.0f);
    for (int32_t i = 0; i < variant320.pixels(); ++i) {
        s.plain->distance_field[i] = spread(rng);
    }
    s.plain->distance_field[10] = -0.0f;
    s.plain->distance_field[11] = std::numeric_limits<float>::quiet_NaN();
    s.plain->distance_field[12] = std::numeric_limits<float>::infinity();
    std::memcpy(s.fast->distance_field, s.plain->distance_field, sizeof s.plain->distance_field);
    const float extremes[][2] = {{0.0f, 250.0f},
                                 {3.5f, 3.5f},
                                 {-4.0f, 100.0f},
                                 {1e-3f, 1e30f},
                                 {0.0f, std::numeric_limits<float>::infinity()}};
    for (const auto& e : extremes) {
        s.plain->field_min = s.fast->field_min = e[0];
        s.plain->field_max = s.fast->field_max = e[1];
        colour_pass_reference<variant320>(*s.plain);
        colour_pass<variant320>(*s.fast);
        expect_same_picture<variant320>(*s.plain, *s.fast);
    }
}
