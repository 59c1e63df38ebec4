// A scripted display, window system and keyboard with a call log. Each
// operation succeeds unless the script says otherwise, and appends one line
// to the log ("set_display_mode 320 240 32", ...).
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/display.h"
#include "platform/keyboard.h"
#include "platform/window_system.h"

struct FakePlatformScript {
    bool load_fails = false;
    bool entry_missing = false;
    bool create_fails = false;
    bool exclusive_refused = false;
    // Depths that set_display_mode accepts.
    std::vector<int32_t> depths = {32, 24, 16};
    // Back-buffer counts of the descriptions create_surface accepts; 0 stands
    // for the lone primary surface.
    std::vector<uint32_t> chains = {2, 1, 0};
    bool attach_fails = false;
    bool pixel_format_fails = false;
    PlatformPixelFormat format = {kPixelFormatRgb, 32, 0xFF0000, 0x00FF00, 0x0000FF};
    // Locks that fail before locks succeed again.
    int32_t lock_failures = 0;
    // Row pitch of the locked back buffer in bytes; 0: width x bytes per pixel.
    int32_t pitch = 0;
    bool screen_saver_unreadable = false;
    // Messages waiting for the window, oldest first.
    std::deque<PlatformMessage> messages;
    // The keyboard state that get_keyboard_state reports.
    uint8_t key_state[256] = {};
};

struct FakePlatform {
    FakePlatformScript script;
    // The script of the fallback tables, and whether one of theirs is running.
    FakePlatformScript fallback_script;
    bool in_fallback = false;
    std::vector<std::string> log;
    // The back buffer's memory, (height + 1) rows of `pitch` bytes; the extra
    // row catches writes past the end.
    std::vector<uint8_t> back_memory;
    int32_t back_pitch = 0;
    int32_t mode_width = 0;
    int32_t mode_height = 0;
    int32_t mode_bits = 0;
    // The screen saver setting (1: on).
    int32_t screen_saver_active = 1;
    // Back buffers of the chain create_surface made.
    uint32_t chain = 0;
    bool cursor_hidden = false;
    PlatformWindowProc window_proc = nullptr;
    // Arguments of the last ToAscii call.
    uint32_t to_ascii_key = 0;
    uint32_t to_ascii_scan = 0;
};

extern FakePlatform fake_platform;

// Tables over fake_platform; the keyboard's ToAscii is the US layout's unless
// a test puts another one in.
extern const PlatformDisplay fake_display;
extern const PlatformWindowSystem fake_window_system;
extern PlatformKeyboard fake_keyboard;
// The same fake as a second way to show a frame: every call logged with
// "fallback " in front and scripted by fake_platform.fallback_script.
extern const PlatformDisplay fake_fallback_display;
extern const PlatformWindowSystem fake_fallback_window_system;

// Resets fake_platform to a fresh script and points the platform tables at
// the fakes, with no fallback.
void fake_platform_install();
// Offers the fake fallback tables as the platform's second way.
void fake_platform_offer_fallback();
// Points the tables back where they were before fake_platform_install.
void fake_platform_remove();

// How many log lines start with `prefix`.
int32_t fake_log_count(const std::string& prefix);
// Queues a message for the window (of the tables in use).
void fake_post(uint32_t message, uintptr_t wparam, intptr_t lparam);
