// State that the SDL display, window and keyboard operations share: there is
// one window, one display object and one flipping chain per process.
#pragma once

#include <SDL.h>

#include <csignal>
#include <cstdint>

#include "platform/frame_pacer.h"
#include "platform/window_system.h"

struct SdlBackend {
    bool video_up = false;

    // The window and its class.
    SDL_Window* window = nullptr;
    PlatformWindowProc window_proc = nullptr;

    // The display object.
    bool object_alive = false;
    bool exclusive = false;
    bool mode_set = false;
    int32_t mode_width = 0;
    int32_t mode_height = 0;
    int32_t mode_bits = 0;
    uint32_t mode_format = 0;  // SDL pixel format of the screen at that depth

    // The flipping chain: the back buffer lives in our memory and a flip
    // copies it onto the window, scaled by a whole factor.
    bool primary_alive = false;
    int32_t back_buffer_count = 0;
    uint8_t* back_pixels = nullptr;
    int32_t back_pitch = 0;
    bool back_locked = false;
    // The back buffer in the window surface's layout, where that differs
    // from the screen's.
    uint8_t* converted = nullptr;
    size_t converted_size = 0;
    // When the chain may show its next frame.
    FramePacer pacer;

    // The key state as of the last key message taken from the queue: the high
    // bit of a virtual key's byte is set while it is down, the low bit of Caps
    // Lock and Num Lock while they are on.
    uint8_t key_state[256] = {};
};

extern SdlBackend sdl_backend;

// Set by the SIGHUP handler; the message pump turns it into the quit event.
extern volatile sig_atomic_t sdl_hangup_pending;

// Handles that stand for objects without a memory of their own.
extern char sdl_library_token;
extern char sdl_entry_token;
extern char sdl_object_token;
extern char sdl_primary_token;
extern char sdl_back_token;

// HRESULT-like results.
constexpr int32_t kSdlOk = 0;
constexpr int32_t kSdlFailed = -1;
