// The emulated display: the display, window-system and keyboard tables of a
// backend whose system has no DirectDraw-like objects of its own (SDL, the
// browser), or whose DirectDraw refuses the display (Windows' fallback).
//
// This module keeps the bookkeeping that every such backend needs: the
// handles of the library, the display object and the flipping chain, whether
// the object is alive, exclusive and in a mode, the one back buffer in our
// memory and its lock, the window and its procedure, message dispatch and the
// key state. It defines `platform_emulated_display`,
// `platform_emulated_window_system` and `platform_emulated_keyboard`, and
// calls the backend only where the system itself has to act, through the
// hooks below.
#pragma once

#include <cstdint>

#include "platform/display.h"
#include "platform/handle.h"
#include "platform/keyboard.h"
#include "platform/window_system.h"

// The screen: what the display object's operations need of the system.
struct EmulatedDisplayHooks {
    // Takes the screen for the program (the display library's load); false
    // when the system offers none.
    bool (*take_screen)();
    // Gives the screen back (the library's release).
    void (*release_screen)();
    // Shows `window` over the whole screen in a mode of this size and depth;
    // false when the screen cannot have it.
    bool (*set_mode)(PlatformHandle window, int32_t width, int32_t height, int32_t bits_per_pixel);
    // Gives the screen its own mode back (called only while a mode is set).
    void (*restore_mode)(PlatformHandle window);
    // The layout of the mode's pixels.
    bool (*pixel_format)(PlatformPixelFormat* format);
    // Shows the back buffer (the mode's size, `pitch` bytes a row), keeping to
    // at most 60 frames a second; false when the frame could not be shown.
    bool (*present)(uint8_t* pixels, int32_t pitch);
    // The flipping chain is gone: whatever `present` kept for it goes too.
    void (*chain_released)();
};

// The window: what the window system's operations need of the system.
struct EmulatedWindowHooks {
    // Creates the one window, hidden until a mode is set; null on failure.
    PlatformHandle (*create_window)(const char* title, int32_t x, int32_t y, int32_t width,
                                    int32_t height);
    void (*destroy_window)(PlatformHandle window);
    // The next message of the window's queue, taken from it when `remove`;
    // false when there is none.
    bool (*next_message)(PlatformMessage* message, bool remove);
    // SetCursor: shows the pointer, or hides it for null; the previous cursor.
    PlatformHandle (*set_cursor)(PlatformHandle cursor);
    // The screen saver's state, and switching it.
    bool (*screen_saver_enabled)();
    void (*enable_screen_saver)(bool enabled);
};

extern const PlatformDisplay platform_emulated_display;
extern const PlatformWindowSystem platform_emulated_window_system;
// The key state below, with the US layout's ToAscii (a system that has its
// own key state, as Windows does, keeps its own keyboard table).
extern const PlatformKeyboard platform_emulated_keyboard;

// Defined by the backend (its display and its window half), pointing at its
// hooks; tests point them at fakes.
extern const EmulatedDisplayHooks* emulated_display_hooks;
extern const EmulatedWindowHooks* emulated_window_hooks;

// The window that `create_window` made, or null.
PlatformHandle emulated_display_window();

// The key state that the keyboard table reports: a key's down bit, and the
// on bit of Caps Lock and Num Lock. Backends set them as key events arrive.
void emulated_display_set_key(uint8_t virtual_key, bool down);
void emulated_display_set_toggle(uint8_t virtual_key, bool on);

// Forgets every object, the window and the key state (tests start from here).
void emulated_display_reset();
