// The browser backend's hooks of the emulated display
// (platform/emulated_display.h). The page's side of them is web/page.js.
#pragma once

#include <cstdint>

#include "platform/emulated_display.h"

// Display hooks (display.cpp).
bool web_take_screen();
void web_release_screen();
bool web_set_mode(PlatformHandle window, int32_t width, int32_t height, int32_t bits_per_pixel);
void web_restore_mode(PlatformHandle window);
bool web_pixel_format(PlatformPixelFormat* format);
bool web_present(uint8_t* pixels, int32_t pitch);
void web_chain_released();

// Window hooks (window_system.cpp).
PlatformHandle web_create_window(const char* title, int32_t x, int32_t y, int32_t width,
                                 int32_t height);
void web_destroy_window(PlatformHandle window);
bool web_next_message(PlatformMessage* message, bool remove);
PlatformHandle web_set_cursor(PlatformHandle cursor);
bool web_screen_saver_enabled();
void web_enable_screen_saver(bool enabled);
