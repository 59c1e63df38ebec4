// The pixel window: takes the display full screen, presents 0x00RRGGBB frames
// through the chosen row converter, and routes the window's messages.
#pragma once

#include <cstdint>

#include "pixelwindow/converters.h"
#include "platform/display.h"

// Takes the display for a window titled `title` at exactly width x height.
// 1 when the display, the surfaces, the converter and the key hooks are
// ready; 0 on any failure, leaving what was acquired for window_close.
// Where the platform has a second way to show a frame and the first one
// refuses any step, what the first took is released and the second is
// opened instead (the platform tables point at it from then on).
int32_t window_open(const char* title, int32_t width, int32_t height);

// Dispatches pending messages and shows one frame of window_width x
// window_height pixels. 1 when the frame was handled (shown, or skipped while
// inactive); 0 when the back buffer could not be locked.
int32_t window_update(const uint32_t* pixels);

// Gives the display back and removes the key hooks. Safe after a failed
// window_open: releases only what is set.
void window_close();

// The window procedure of the window's class.
intptr_t window_message_proc(PlatformHandle window, uint32_t message, uintptr_t wparam,
                             intptr_t lparam);

// Takes every pending message of the window and dispatches it.
void window_pump_messages();

// Module state. Tests read it and put it back to the start state between
// cases; nothing else writes it.
extern PlatformHandle ddraw_module;
extern PlatformHandle ddraw_object;
extern PlatformHandle primary_surface;
extern PlatformHandle back_surface;
extern PlatformHandle window_handle;
extern int32_t window_width;
extern int32_t window_height;
extern PixelConverter row_converter;
// Nonzero while the application is active; starts at 1.
extern int32_t display_active;
// Whether window_open switched the screen saver off, and the state it found.
extern int32_t screen_saver_taken;
extern int32_t screen_saver_found;
