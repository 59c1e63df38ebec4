// The browser backend's display hooks: the screen is the page's canvas, whose
// backing store takes the mode's size (the page scales it by whole factors).
// The flipping chain's back buffer is our memory, described as 32-bit pixels
// with red high, so the window's row converter is a plain copy; a flip puts
// the bytes into the canvas's order with every pixel opaque (four pixels per
// WebAssembly SIMD step), puts the buffer on the canvas and waits for the
// next animation frame, which is where the program hands the thread back to
// the page once per presented frame. On displays faster than 60 Hz it waits
// for as many animation frames as keep it at 60 frames a second.
#include <emscripten.h>

#include "platform/canvas_order.h"
#include "platform/emulated_display.h"
#include "platform/frame_pacer.h"

// 1 when the canvas gives a 2D context; otherwise the page keeps the reason.
EM_JS(int, web_take_context, (), {
    const canvas = Module.canvas;
    let context = null;
    try {
        context = canvas ? canvas.getContext('2d', {alpha: false}) : null;
    } catch (error) {
        context = null;
    }
    if (!context) {
        Module.displayFailure = canvas ? 'the canvas gives no 2D drawing context'
                                       : 'the page has no canvas';
        return 0;
    }
    Module.context2d = context;
    return 1;
});

EM_JS(void, web_size_canvas, (int width, int height), {
    Module.canvas.width = width;
    Module.canvas.height = height;
    if (Module.onCanvasSized) Module.onCanvasSized(width, height);
});

EM_JS(void, web_put_frame, (const uint8_t* pixels, int width, int height), {
    const bytes = new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4);
    Module.context2d.putImageData(new ImageData(bytes, width, height), 0, 0);
    if (Module.onFrame) Module.onFrame();
});

// Waits for the next animation frame and gives the time it came.
EM_ASYNC_JS(double, web_wait_animation_frame, (), {
    await new Promise(resolve => requestAnimationFrame(resolve));
    return performance.now();
});

namespace {

bool context_taken = false;  // the canvas gave its 2D context
int32_t mode_width = 0;
int32_t mode_height = 0;
FramePacer pacer;


bool take_screen() {
    if (!context_taken) {
        if (web_take_context() == 0) return false;
        context_taken = true;
    }
    return true;
}

// The context stays the page's for the next take.
void release_screen() {}

// A canvas holds 32-bit pixels only.
bool set_mode(PlatformHandle, int32_t width, int32_t height, int32_t bits_per_pixel) {
    if (width > 4096 || height > 4096 || bits_per_pixel != 32) return false;
    web_size_canvas(width, height);
    mode_width = width;
    mode_height = height;
    return true;
}

void restore_mode(PlatformHandle) {}

// The frame's own layout; the flip reorders the bytes for the canvas.
bool pixel_format(PlatformPixelFormat* format) {
    format->flags = kPixelFormatRgb;
    format->rgb_bit_count = 32;
    format->red_mask = 0x00FF0000;
    format->green_mask = 0x0000FF00;
    format->blue_mask = 0x000000FF;
    return true;
}

bool present(uint8_t* pixels, int32_t) {
    web_canvas_order(pixels, static_cast<size_t>(mode_width) * static_cast<size_t>(mode_height));
    web_put_frame(pixels, mode_width, mode_height);
    int64_t now = 0;
    do {
        now = static_cast<int64_t>(web_wait_animation_frame() * 1e6);
    } while (frame_pacer_wait(pacer, now) > 0);
    frame_pacer_presented(pacer, now);
    return true;
}

void chain_released() { pacer = FramePacer{}; }

const EmulatedDisplayHooks hooks = {
    .take_screen = take_screen,
    .release_screen = release_screen,
    .set_mode = set_mode,
    .restore_mode = restore_mode,
    .pixel_format = pixel_format,
    .present = present,
    .chain_released = chain_released,
};

}  // namespace

const EmulatedDisplayHooks* emulated_display_hooks = &hooks;
