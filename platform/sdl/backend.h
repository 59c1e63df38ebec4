// What the SDL backend's display and window halves share: there is one
// window per process.
#pragma once

#include <SDL.h>

#include <csignal>

#include "platform/emulated_display.h"

// SDL is up for video (display.cpp), and the one window once created
// (window_system.cpp).
extern bool sdl_video_up;
extern SDL_Window* sdl_window;

// Set by the handler of SIGINT, SIGTERM and SIGHUP; the message pump turns
// it into the quit event.
extern volatile sig_atomic_t sdl_quit_pending;

// The ways the demo ends without Escape (ending.cpp). Taken before SDL opens
// the display: the signals are caught, and a display that has not answered
// within a bound ends the process with 255. Once a mode is set the display
// has answered and the bound is lifted. On X11 a lost connection ends the
// process with 255 too. Released with the display.
void sdl_ending_take();
// The display did not open: the catching ends (or, after a quit signal, the
// process does, with status 0).
void sdl_ending_open_failed();
void sdl_ending_display_answered();
void sdl_ending_watch_x11();
void sdl_ending_release();
