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

// Set by the SIGHUP handler; the message pump turns it into the quit event.
extern volatile sig_atomic_t sdl_hangup_pending;
