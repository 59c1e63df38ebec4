// The demo in the browser, one module per variant (OMBRITH_WEB_VARIANT).
//
// Live mode: the page calls main, which is effect_main on the pixel window
// as on the desktop; it hands the thread back to the page once per frame.
// Still mode: the page calls web_still, which renders what ombrith-render
// writes for the same seed and clock reading, with the same effect code, and
// converts it for the canvas as the live window and its flip do.
#include <emscripten.h>

#include <cstdint>

#include "effect/driver.h"
#include "effect/main_loop.h"
#include "pixelwindow/converters.h"
#include "pixelwindow/window.h"
#include "platform/canvas_order.h"

#if OMBRITH_WEB_VARIANT == 320
#define OMBRITH_VARIANT variant320
#else
#define OMBRITH_VARIANT variant640
#endif

namespace {

constexpr const Variant& V = OMBRITH_VARIANT;

// The canvas's bytes: R, G, B, opaque alpha.
uint8_t still_pixels[V.width * V.height * 4];

}  // namespace

extern "C" {

// Renders the set-up picture (picture nonzero) or the frame at clock reading
// `time` for `seed`, and returns the canvas pixels (width x height x 4 bytes).
EMSCRIPTEN_KEEPALIVE const uint8_t* web_still(double seed, double time, int32_t picture) {
    static EffectState<V> state;
    state.anim = AnimationState{};
    effect_setup<V>(state, seed);
    const uint32_t* frame = state.picture;
    if (picture == 0) {
        animation_begin(state.anim, time);
        animation_step(state.anim, time, time);
        render_frame<V>(state);
        frame = state.work_frame;
    }
    const PixelConverter convert = choose_converter(32, 0x00FF0000, 0x0000FF00, 0x000000FF);
    convert(frame, still_pixels, static_cast<uint32_t>(V.pixels()));
    web_canvas_order(still_pixels, static_cast<size_t>(V.pixels()));
    return still_pixels;
}

// 1 when the frame at clock reading `time` can be drawn (as the render tool
// checks its readings).
EMSCRIPTEN_KEEPALIVE int32_t web_reading_drawable(double time) {
    return clock_reading_drawable(time) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int32_t web_width() { return V.width; }
EMSCRIPTEN_KEEPALIVE int32_t web_height() { return V.height; }

}  // extern "C"

int main(int argc, char** argv) {
    effect_main<V>(argc, argv, Presenter{window_open, window_update, window_close});
}
