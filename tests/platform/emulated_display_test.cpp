// The emulated display under the pixel window, over scripted hooks: the
// objects, the back buffer and its lock, the window's messages and the key
// state, as a backend that writes only its hooks gets them.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "pixelwindow/keyboard_feed.h"
#include "pixelwindow/window.h"
#include "platform/emulated_display.h"
#include "platform/hid_keys.h"
#include "platform/key_messages.h"
#include "platform/keyboard.h"
#include "platform/virtual_keys.h"
#include "runtime/key_input.h"
#include "tests/doubles/window_fixture.h"

namespace {

struct Script {
    std::vector<std::string> log;
    int32_t accepted_bits = 24;
    std::deque<PlatformMessage> messages;
    bool screen_saver = true;
    // What the last present showed: the first row's bytes, and the pitch.
    std::vector<uint8_t> shown_row;
    int32_t shown_pitch = 0;
    int32_t width = 0;
};

Script script;
char window_token;

bool take_screen() {
    script.log.push_back("take_screen");
    return true;
}
void release_screen() { script.log.push_back("release_screen"); }
PlatformHandle create_window(const char* title, int32_t, int32_t, int32_t, int32_t) {
    script.log.push_back(std::string("create_window ") + title);
    return &window_token;
}
void destroy_window(PlatformHandle) { script.log.push_back("destroy_window"); }
bool set_mode(PlatformHandle window, int32_t width, int32_t height, int32_t bits) {
    script.log.push_back("set_mode " + std::to_string(width) + "x" + std::to_string(height) + "x" +
                         std::to_string(bits));
    script.width = width;
    return window == &window_token && bits == script.accepted_bits;
}
void restore_mode(PlatformHandle) { script.log.push_back("restore_mode"); }
bool pixel_format(PlatformPixelFormat* format) {
    *format = {kPixelFormatRgb, 24, 0xFF0000, 0x00FF00, 0x0000FF};
    return true;
}
bool present(uint8_t* pixels, int32_t pitch) {
    script.log.push_back("present");
    script.shown_row.assign(pixels, pixels + script.width * 3);
    script.shown_pitch = pitch;
    return true;
}
void chain_released() { script.log.push_back("chain_released"); }
bool next_message(PlatformMessage* message, bool remove) {
    if (script.messages.empty()) return false;
    *message = script.messages.front();
    if (remove) script.messages.pop_front();
    return true;
}
PlatformHandle set_cursor(PlatformHandle cursor) {
    script.log.push_back(cursor == nullptr ? "hide_pointer" : "show_pointer");
    return nullptr;
}
bool screen_saver_enabled() { return script.screen_saver; }
void enable_screen_saver(bool enabled) {
    script.log.push_back(enabled ? "screen_saver on" : "screen_saver off");
}

const EmulatedDisplayHooks scripted_display = {
    .take_screen = take_screen,
    .release_screen = release_screen,
    .set_mode = set_mode,
    .restore_mode = restore_mode,
    .pixel_format = pixel_format,
    .present = present,
    .chain_released = chain_released,
};

const EmulatedWindowHooks scripted_window = {
    .create_window = create_window,
    .destroy_window = destroy_window,
    .next_message = next_message,
    .set_cursor = set_cursor,
    .screen_saver_enabled = screen_saver_enabled,
    .enable_screen_saver = enable_screen_saver,
};

class EmulatedDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        saved_display = emulated_display_hooks;
        saved_window = emulated_window_hooks;
        emulated_display_hooks = &scripted_display;
        emulated_window_hooks = &scripted_window;
        emulated_display_reset();
        script = Script{};
        window_reset_state();
    }
    void TearDown() override {
        key_input_hooks = KeyInputHooks{};
        emulated_display_reset();
        emulated_display_hooks = saved_display;
        emulated_window_hooks = saved_window;
    }
    const EmulatedDisplayHooks* saved_display = nullptr;
    const EmulatedWindowHooks* saved_window = nullptr;
};

TEST_F(EmulatedDisplay, TheWindowOpensPresentsTakesKeysAndClosesThroughTheHooks) {
    ASSERT_EQ(window_open("Title", 5, 2), 1);
    EXPECT_EQ(script.log, (std::vector<std::string>{"take_screen", "create_window Title",
                                                    "set_mode 5x2x32", "set_mode 5x2x24",
                                                    "screen_saver off"}));
    script.log.clear();

    // Escape typed, then Alt+X (a system key, which the window leaves alone).
    const PcKey escape = pc_key_for_usage(41, true);
    const PcKey x = pc_key_for_usage(27, true);
    emulated_display_set_key(escape.virtual_key, true);
    script.messages.push_back(key_message(&window_token, escape, true, false, false, false));
    script.messages.push_back(key_message(&window_token, x, true, false, true, false));
    const uint32_t frame[10] = {0x00112233, 0x00445566, 0, 0, 0x00ABCDEF, 0, 0, 0, 0, 0};
    ASSERT_EQ(window_update(frame), 1);
    EXPECT_TRUE(script.messages.empty());
    EXPECT_EQ(script.log, std::vector<std::string>{"present"});
    // 24-bit rows of 5 pixels, padded to whole words.
    EXPECT_EQ(script.shown_pitch, 16);
    const std::vector<uint8_t> first_row = {0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0, 0, 0,
                                            0,    0,    0,    0xEF, 0xCD, 0xAB};
    EXPECT_EQ(script.shown_row, first_row);
    ASSERT_NE(key_input_hooks.keyhit_hook, nullptr);
    EXPECT_NE(rt_keyhit(), 0);
    EXPECT_EQ(rt_getkey(), 27);
    EXPECT_EQ(rt_keyhit(), 0) << "Alt+X is a system key";

    uint8_t state[256];
    ASSERT_EQ(platform_keyboard->get_keyboard_state(state), 1);
    EXPECT_EQ(state[vk::kEscape], kKeyDown);
    emulated_display_set_toggle(vk::kCapital, true);
    emulated_display_set_key(vk::kCapital, true);
    emulated_display_set_toggle(vk::kCapital, false);
    platform_keyboard->get_keyboard_state(state);
    EXPECT_EQ(state[vk::kCapital], kKeyDown) << "the down and on bits are kept apart";

    script.log.clear();
    window_close();
    EXPECT_EQ(script.log,
              (std::vector<std::string>{"chain_released", "restore_mode", "destroy_window",
                                        "release_screen", "screen_saver on"}));
    EXPECT_EQ(emulated_display_window(), nullptr);
}

TEST_F(EmulatedDisplay, OutOfOrderAndStaleCallsAreRefusedWithoutReachingTheSystem) {
    const PlatformDisplay& dd = *platform_display;
    const PlatformWindowSystem& ws = *platform_window_system;
    PlatformHandle object = nullptr;
    EXPECT_EQ(dd.find_entry(nullptr, "DirectDrawCreate"), nullptr);
    PlatformHandle library = dd.load_library("ddraw.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(dd.find_entry(library, "Other"), nullptr);
    ASSERT_EQ(dd.create(dd.find_entry(library, "DirectDrawCreate"), &object), 0);

    EXPECT_LT(dd.set_cooperative_level(object, nullptr, kDisplayExclusiveFullscreen), 0);
    EXPECT_LT(dd.set_display_mode(object, 5, 2, 24), 0) << "not exclusive";
    PlatformHandle window = ws.create_window(0, "w", "w", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                             nullptr);
    ASSERT_EQ(window, &window_token);
    EXPECT_EQ(ws.create_window(0, "w", "w", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr),
              nullptr)
        << "one window";
    ASSERT_EQ(dd.set_cooperative_level(object, window, kDisplayExclusiveFullscreen), 0);
    EXPECT_LT(dd.set_display_mode(object, 0, 2, 24), 0);
    PlatformSurfaceDescription chain = {kSurfaceDescCaps | kSurfaceDescBackBufferCount, 1,
                                        kCapsPrimarySurface | kCapsFlip | kCapsComplex};
    PlatformHandle primary = nullptr;
    EXPECT_LT(dd.create_surface(object, &chain, &primary), 0) << "no mode yet";
    ASSERT_EQ(dd.set_display_mode(object, 5, 2, 24), 0);
    ASSERT_EQ(dd.create_surface(object, &chain, &primary), 0);
    PlatformHandle other = nullptr;
    EXPECT_LT(dd.create_surface(object, &chain, &other), 0) << "one chain";

    PlatformHandle back = nullptr;
    ASSERT_EQ(dd.get_attached_surface(primary, kCapsBackBuffer, &back), 0);
    PlatformLockedSurface locked{};
    EXPECT_LT(dd.lock(primary, 0, &locked), 0) << "only the back buffer locks";
    EXPECT_LT(dd.unlock(back, nullptr), 0) << "not locked";
    ASSERT_EQ(dd.lock(back, 0, &locked), 0);
    EXPECT_EQ(locked.pitch, 16);
    EXPECT_LT(dd.lock(back, 0, &locked), 0) << "locked already";
    script.log.clear();
    EXPECT_LT(dd.flip(primary, 0), 0) << "a locked chain does not flip";
    EXPECT_TRUE(script.log.empty());
    ASSERT_EQ(dd.unlock(back, nullptr), 0);
    EXPECT_EQ(dd.flip(primary, 0), 0);
    EXPECT_EQ(script.log, std::vector<std::string>{"present"});

    dd.release_surface(primary);
    EXPECT_LT(dd.lock(back, 0, &locked), 0) << "the chain is gone";
    EXPECT_LT(dd.flip(primary, 0), 0);
    dd.release_object(object);
    EXPECT_LT(dd.set_display_mode(object, 5, 2, 24), 0) << "the object is gone";
    EXPECT_EQ(ws.destroy_window(&library), 0) << "not our window";
    EXPECT_EQ(ws.destroy_window(window), 1);
    EXPECT_EQ(ws.destroy_window(window), 0) << "destroyed already";
}

TEST(KeyMessages, SystemKeysAltBitRepeatAndRelease) {
    const PcKey x = pc_key_for_usage(27, true);
    PlatformMessage m = key_message(&window_token, x, true, false, true, false);
    EXPECT_EQ(m.message, kMessageSysKeyDown);
    EXPECT_EQ(m.lparam, static_cast<intptr_t>(0x202D0001));
    m = key_message(&window_token, x, true, true, true, true);
    EXPECT_EQ(m.message, kMessageKeyDown) << "Ctrl+Alt (AltGr) is no system key";
    EXPECT_EQ(m.lparam, static_cast<intptr_t>(0x402D0001));
    m = key_message(&window_token, x, false, false, false, false);
    EXPECT_EQ(m.message, kMessageKeyUp);
    EXPECT_EQ(static_cast<uint32_t>(m.lparam), 0xC02D0001u);
    const PcKey alt = pc_key_for_usage(226, true);
    EXPECT_EQ(key_message(&window_token, alt, true, false, false, false).message,
              kMessageSysKeyDown);
    EXPECT_EQ(pointer_message(&window_token).lparam, static_cast<intptr_t>(0x02000001));
}

}  // namespace
