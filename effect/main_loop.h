// The demo's main procedure: start-up, the window, set-up, the animation loop
// until Escape, and the end.
#pragma once

#include <cstdint>

#include "effect/variant.h"

// The window operations the demo presents its frames with. The effect knows
// no window of its own; the program passes these in.
struct Presenter {
    // 1 when the display is taken at width x height, 0 on failure.
    int32_t (*open)(const char* title, int32_t width, int32_t height);
    // Dispatches the window's messages and shows one frame.
    int32_t (*update)(const uint32_t* pixels);
    // Gives the display back.
    void (*close)();
};

// Runs the demo of variant V and ends the process: with 0 after Escape, with
// -1 at once when the display cannot be taken.
template <const Variant& V>
[[noreturn]] void effect_main(int32_t argc, char** argv, const Presenter& presenter);

extern template void effect_main<variant320>(int32_t, char**, const Presenter&);
extern template void effect_main<variant640>(int32_t, char**, const Presenter&);
