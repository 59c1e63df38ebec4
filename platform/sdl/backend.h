// The SDL backend's hooks of the emulated display (platform/emulated_display.h),
// and the state its display and window halves share.
#pragma once

#include <SDL.h>

#include <csignal>
#include <cstdint>

#include "platform/emulated_display.h"

// SDL is up for video, and the one window once created.
extern bool sdl_video_up;
extern SDL_Window* sdl_window;

// Set by the SIGHUP handler; the message pump turns it into the quit event.
extern volatile sig_atomic_t sdl_hangup_pending;

// Display hooks (display.cpp).
bool sdl_take_screen();
void sdl_release_screen();
bool sdl_set_mode(PlatformHandle window, int32_t width, int32_t height, int32_t bits_per_pixel);
void sdl_restore_mode(PlatformHandle window);
bool sdl_pixel_format(PlatformPixelFormat* format);
bool sdl_present(uint8_t* pixels, int32_t pitch);
void sdl_chain_released();

// Window hooks (window_system.cpp).
PlatformHandle sdl_create_window(const char* title, int32_t x, int32_t y, int32_t width,
                                 int32_t height);
void sdl_destroy_window(PlatformHandle window);
bool sdl_next_message(PlatformMessage* message, bool remove);
PlatformHandle sdl_set_cursor(PlatformHandle cursor);
bool sdl_screen_saver_enabled();
void sdl_enable_screen_saver(bool enabled);
