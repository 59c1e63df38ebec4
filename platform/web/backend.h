// State that the browser's display, window and keyboard operations share, and
// the page's side of them (web/page.js provides the JavaScript procedures).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/window_system.h"

struct WebBackend {
    bool context_taken = false;  // the canvas gave its 2D context
    bool object_alive = false;
    bool exclusive = false;
    bool mode_set = false;
    int32_t mode_width = 0;
    int32_t mode_height = 0;
    bool primary_alive = false;
    int32_t back_buffer_count = 0;
    bool back_locked = false;
    uint8_t* back_pixels = nullptr;
    bool window_alive = false;
    PlatformWindowProc window_proc = nullptr;
    uint8_t key_state[256] = {};
};

extern WebBackend web_backend;

// Turns `count` pixels of the back buffer's layout (0x00RRGGBB words: bytes
// B, G, R and an unused one) into the canvas's (bytes R, G, B, 255), in
// place. The flip does this; the page's still mode and the benchmarks use it
// too.
void web_canvas_order(uint8_t* pixels, size_t count);
extern char web_library_token;
extern char web_entry_token;
extern char web_object_token;
extern char web_primary_token;
extern char web_back_token;
extern char web_window_token;
