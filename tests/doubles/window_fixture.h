// Test set-up for the pixel window over the scripted platform: the window's
// module state, the key ring and the key hooks back at their start values,
// and a clock table that records sleeps.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "pixelwindow/keyboard_feed.h"
#include "pixelwindow/window.h"
#include "platform/clock.h"
#include "runtime/key_input.h"
#include "tests/doubles/fake_platform.h"

// Milliseconds of every platform sleep and every rt_sleep, in order.
inline std::vector<uint32_t> recorded_platform_sleeps;
inline std::vector<int32_t> recorded_key_sleeps;

inline void record_platform_sleep(uint32_t ms) { recorded_platform_sleeps.push_back(ms); }
inline void record_key_sleep(int32_t ms) { recorded_key_sleeps.push_back(ms); }

inline const PlatformClock recording_clock = {
    .query_frequency = platform_native_clock.query_frequency,
    .query_counter = platform_native_clock.query_counter,
    .tick_count = platform_native_clock.tick_count,
    .sleep = record_platform_sleep,
};

// The window's module state, its key ring and the key hooks as at start.
inline void window_reset_state() {
    ddraw_module = ddraw_object = primary_surface = back_surface = window_handle = nullptr;
    window_width = window_height = 0;
    row_converter = nullptr;
    display_active = 1;
    screen_saver_taken = screen_saver_found = 0;
    key_ring_read = key_ring_write = 0;
    key_input_hooks = KeyInputHooks{};
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake_platform_install();
        window_reset_state();
        recorded_platform_sleeps.clear();
        recorded_key_sleeps.clear();
        platform_clock = &recording_clock;
    }
    void TearDown() override {
        key_input_hooks = KeyInputHooks{};
        platform_clock = &platform_native_clock;
        fake_platform_remove();
    }
};
