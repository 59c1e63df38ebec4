// The scene every frame benchmark draws, native and wasm alike: the set-up of
// seed 12345 and 64 animation states spread over one ripple period (about
// 25 s of clock), so every amplitude and lobe count is in the mix; and a
// 32-bit screen to present into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "effect/driver.h"

constexpr int32_t kSceneFrames = 64;

template <const Variant& V>
struct BenchScene {
    std::unique_ptr<EffectState<V>> state = std::make_unique<EffectState<V>>();
    std::vector<AnimationState> frames;
    std::vector<uint8_t> screen = std::vector<uint8_t>(size_t{4} * V.pixels());

    BenchScene() {
        effect_setup<V>(*state, 12345.0);
        AnimationState anim;
        animation_begin(anim, 0.0);
        for (int32_t k = 0; k < kSceneFrames; ++k) {
            const double clock = 0.25 + 0.393 * k;
            animation_step(anim, clock, clock + 0.001);
            frames.push_back(anim);
        }
    }
};
