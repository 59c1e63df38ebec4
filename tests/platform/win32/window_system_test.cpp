// The Windows window system (USER32: classes, windows, messages, the screen
// saver), keyboard and the display's library loading against the real system
// calls (no display mode is changed here; the end-to-end tests do).
#include <windows.h>

#include <cstring>

#include <gtest/gtest.h>

#include "platform/display.h"
#include "platform/keyboard.h"
#include "platform/window_system.h"

namespace {

struct Seen {
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
};
Seen last_seen{};
int seen_count = 0;

constexpr uint32_t kProbeMessage = WM_USER + 7;

intptr_t recording_proc(PlatformHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    if (message == kProbeMessage) {
        last_seen = {message, wparam, lparam};
        ++seen_count;
        return 0x1234;
    }
    return platform_native_window_system.default_window_proc(window, message, wparam, lparam);
}

class Win32WindowSystem : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const PlatformWindowSystem& ws = platform_native_window_system;
        PlatformWindowClass window_class{};
        window_class.window_proc = recording_proc;
        window_class.class_name = "Ombrith backend test";
        ASSERT_NE(ws.register_class(&window_class), 0);
        window = ws.create_window(0, "Ombrith backend test", "Ombrith backend test", WS_POPUP, 0, 0, 0,
                                  0, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }
    static void TearDownTestSuite() {
        EXPECT_EQ(platform_native_window_system.destroy_window(window), 1);
    }
    static PlatformHandle window;
};
PlatformHandle Win32WindowSystem::window = nullptr;

TEST_F(Win32WindowSystem, SentAndPostedMessagesReachTheClassProcedure) {
    const PlatformWindowSystem& ws = platform_native_window_system;
    seen_count = 0;
    // Sent: the system calls the procedure directly and returns its result.
    EXPECT_EQ(SendMessageA(static_cast<HWND>(window), kProbeMessage, 5, -6), 0x1234);
    EXPECT_EQ(seen_count, 1);
    EXPECT_EQ(last_seen.wparam, 5u);
    EXPECT_EQ(last_seen.lparam, -6);

    // Posted: taken by peek_message, dispatched to the procedure.
    ASSERT_TRUE(PostMessageA(static_cast<HWND>(window), kProbeMessage, 0xFFFFFFFFu, 0x7FFF0001));
    PlatformMessage message{};
    int taken = 0;
    while (ws.peek_message(&message, window, 0, 0, kPeekRemove) != 0) {
        ws.translate_message(&message);
        if (message.message == kProbeMessage) {
            ++taken;
            EXPECT_EQ(message.window, window);
            EXPECT_EQ(ws.dispatch_message(&message), 0x1234);
        } else {
            ws.dispatch_message(&message);
        }
    }
    EXPECT_EQ(taken, 1);
    EXPECT_EQ(seen_count, 2);
    EXPECT_EQ(last_seen.wparam, 0xFFFFFFFFu);
    EXPECT_EQ(last_seen.lparam, 0x7FFF0001);
    // Nothing is left for the window.
    EXPECT_EQ(ws.peek_message(&message, window, 0, 0, kPeekRemove), 0);
}

TEST_F(Win32WindowSystem, OtherMessagesTakeTheDefaultPathAndTheWindowIsShown) {
    char title[64] = {};
    EXPECT_EQ(GetWindowTextA(static_cast<HWND>(window), title, sizeof title), 20);
    EXPECT_STREQ(title, "Ombrith backend test");
    // Shown (so that it receives keys) but not made bigger than asked.
    EXPECT_TRUE(IsWindowVisible(static_cast<HWND>(window)));
    RECT rect{};
    GetWindowRect(static_cast<HWND>(window), &rect);
    EXPECT_EQ(rect.right - rect.left, 0);
    EXPECT_EQ(rect.bottom - rect.top, 0);
    EXPECT_EQ(platform_native_window_system.destroy_window(nullptr), 0);
}

TEST(Win32ScreenSaver, SetStateReadsBack) {
    const PlatformWindowSystem& ws = platform_native_window_system;
    BOOL found = FALSE;
    ASSERT_EQ(ws.system_parameters_info(kSpiGetScreenSaveActive, 0, &found, 0), 1);
    for (uint32_t state : {0u, 1u}) {
        ASSERT_EQ(ws.system_parameters_info(kSpiSetScreenSaveActive, state, nullptr, 0), 1);
        BOOL now = 2;
        ASSERT_EQ(ws.system_parameters_info(kSpiGetScreenSaveActive, 0, &now, 0), 1);
        EXPECT_EQ(now != 0, state != 0);
    }
    ws.system_parameters_info(kSpiSetScreenSaveActive, found ? 1 : 0, nullptr, 0);
}

TEST(Win32Keyboard, ToAsciiFollowsTheKeyState) {
    const PlatformKeyboard& kb = platform_native_keyboard;
    uint8_t state[256] = {};
    EXPECT_EQ(kb.get_keyboard_state(state), 1);

    std::memset(state, 0, sizeof state);
    uint16_t out = 0;
    EXPECT_EQ(kb.to_ascii('A', 0x1E, state, &out, 0), 1);
    EXPECT_EQ(out & 0xFF, 'a');
    state[VK_SHIFT] = kKeyDown;
    state[VK_LSHIFT] = kKeyDown;
    EXPECT_EQ(kb.to_ascii('A', 0x1E, state, &out, 0), 1);
    EXPECT_EQ(out & 0xFF, 'A');
    std::memset(state, 0, sizeof state);
    EXPECT_EQ(kb.to_ascii(VK_ESCAPE, 0x01, state, &out, 0), 1);
    EXPECT_EQ(out & 0xFF, 27);
    EXPECT_EQ(kb.to_ascii(VK_F1, 0x3B, state, &out, 0), 0);
}

TEST(Win32Display, LibraryAndEntryAreFoundAtRunTime) {
    const PlatformDisplay& dd = platform_native_display;
    EXPECT_EQ(dd.load_library("ombrith-no-such-library.dll"), nullptr);

    PlatformHandle library = dd.load_library("ddraw.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(dd.find_entry(library, "NoSuchEntryPoint"), nullptr);
    PlatformHandle entry = dd.find_entry(library, "DirectDrawCreate");
    ASSERT_NE(entry, nullptr);

    PlatformHandle object = nullptr;
    // The test runs on a display of its own: DirectDraw gives an object,
    // and releasing the only reference frees it.
    ASSERT_GE(dd.create(entry, &object), 0);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(dd.release_object(object), 0u);
    dd.free_library(library);
}

}  // namespace
