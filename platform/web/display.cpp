// Display operations in the browser: the screen is the page's canvas, whose
// backing store takes the mode's size (the page scales it by whole factors).
// The flipping chain's back buffer is our memory, described as 32-bit pixels
// with red high, so the window's row converter is a plain copy; a flip puts
// the bytes into the canvas's order with every pixel opaque (four pixels per
// WebAssembly SIMD step), puts the buffer on the canvas and waits for the
// next animation frame, which is where the program hands the thread back to
// the page once per presented frame. On displays faster than 60 Hz it waits
// for as many animation frames as keep it at 60 frames a second.
#include <emscripten.h>
#include <wasm_simd128.h>

#include <cstdlib>
#include <cstring>

#include "platform/display.h"
#include "platform/frame_pacer.h"
#include "platform/web/backend.h"

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

WebBackend& be = web_backend;
FramePacer pacer;

constexpr int32_t kOk = 0;
constexpr int32_t kFailed = -1;

PlatformHandle load_library(const char*) {
    if (!be.context_taken) {
        if (web_take_context() == 0) return nullptr;
        be.context_taken = true;
    }
    return &web_library_token;
}

PlatformHandle find_entry(PlatformHandle library, const char* name) {
    if (library != &web_library_token || std::strcmp(name, "DirectDrawCreate") != 0) return nullptr;
    return &web_entry_token;
}

void free_library(PlatformHandle) {}

int32_t create(PlatformHandle entry, PlatformHandle* object) {
    if (entry != &web_entry_token || !be.context_taken) return kFailed;
    be.object_alive = true;
    *object = &web_object_token;
    return kOk;
}

bool is_object(PlatformHandle object) { return object == &web_object_token && be.object_alive; }

int32_t set_cooperative_level(PlatformHandle object, PlatformHandle window, uint32_t flags) {
    if (!is_object(object)) return kFailed;
    if ((flags & kDisplayExclusiveFullscreen) == kDisplayExclusiveFullscreen) {
        if (window != &web_window_token || !be.window_alive) return kFailed;
        be.exclusive = true;
        return kOk;
    }
    be.exclusive = false;
    return kOk;
}

// A canvas holds 32-bit pixels only.
int32_t set_display_mode(PlatformHandle object, int32_t width, int32_t height,
                         int32_t bits_per_pixel) {
    if (!is_object(object) || !be.exclusive) return kFailed;
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096 || bits_per_pixel != 32)
        return kFailed;
    web_size_canvas(width, height);
    be.mode_set = true;
    be.mode_width = width;
    be.mode_height = height;
    return kOk;
}

int32_t restore_display_mode(PlatformHandle object) {
    if (!is_object(object)) return kFailed;
    be.mode_set = false;
    return kOk;
}

int32_t create_surface(PlatformHandle object, const PlatformSurfaceDescription* description,
                       PlatformHandle* surface) {
    if (!is_object(object) || !be.mode_set || be.primary_alive) return kFailed;
    if ((description->flags & kSurfaceDescCaps) == 0 ||
        (description->caps & kCapsPrimarySurface) == 0)
        return kFailed;
    int32_t back_count = 0;
    if ((description->caps & kCapsFlip) != 0) {
        if ((description->flags & kSurfaceDescBackBufferCount) == 0) return kFailed;
        back_count = static_cast<int32_t>(description->back_buffer_count);
        if (back_count < 1 || back_count > 2) return kFailed;
        // One buffer serves the whole chain: a flip copies it out at once.
        be.back_pixels = static_cast<uint8_t*>(
            std::calloc(static_cast<size_t>(be.mode_width) * 4, static_cast<size_t>(be.mode_height)));
        if (be.back_pixels == nullptr) return kFailed;
    }
    be.primary_alive = true;
    be.back_buffer_count = back_count;
    *surface = &web_primary_token;
    return kOk;
}

uint32_t release_object(PlatformHandle object) {
    if (!is_object(object)) return 0;
    be.object_alive = false;
    be.exclusive = false;
    be.mode_set = false;
    return 0;
}

bool is_primary(PlatformHandle surface) { return surface == &web_primary_token && be.primary_alive; }
bool is_back(PlatformHandle surface) {
    return surface == &web_back_token && be.primary_alive && be.back_buffer_count > 0;
}

int32_t get_attached_surface(PlatformHandle surface, uint32_t caps, PlatformHandle* attached) {
    if (!is_primary(surface) || (caps & kCapsBackBuffer) == 0 || be.back_buffer_count == 0)
        return kFailed;
    *attached = &web_back_token;
    return kOk;
}

// The frame's own layout; the flip reorders the bytes for the canvas.
int32_t get_pixel_format(PlatformHandle surface, PlatformPixelFormat* format) {
    if (!is_primary(surface) && !is_back(surface)) return kFailed;
    format->flags = kPixelFormatRgb;
    format->rgb_bit_count = 32;
    format->red_mask = 0x00FF0000;
    format->green_mask = 0x0000FF00;
    format->blue_mask = 0x000000FF;
    return kOk;
}

int32_t restore(PlatformHandle surface) { return is_primary(surface) ? kOk : kFailed; }

int32_t lock(PlatformHandle surface, uint32_t, PlatformLockedSurface* locked) {
    if (!is_back(surface) || be.back_locked) return kFailed;
    be.back_locked = true;
    locked->address = be.back_pixels;
    locked->pitch = be.mode_width * 4;
    return kOk;
}

int32_t unlock(PlatformHandle surface, void*) {
    if (!is_back(surface) || !be.back_locked) return kFailed;
    be.back_locked = false;
    return kOk;
}

int32_t flip(PlatformHandle surface, uint32_t) {
    if (!is_primary(surface) || be.back_buffer_count == 0 || be.back_locked) return kFailed;
    web_canvas_order(be.back_pixels,
                     static_cast<size_t>(be.mode_width) * static_cast<size_t>(be.mode_height));
    web_put_frame(be.back_pixels, be.mode_width, be.mode_height);
    int64_t now = 0;
    do {
        now = static_cast<int64_t>(web_wait_animation_frame() * 1e6);
    } while (frame_pacer_wait(pacer, now) > 0);
    frame_pacer_presented(pacer, now);
    return kOk;
}

uint32_t release_surface(PlatformHandle surface) {
    if (!is_primary(surface)) return 0;
    std::free(be.back_pixels);
    be.back_pixels = nullptr;
    be.back_buffer_count = 0;
    be.back_locked = false;
    be.primary_alive = false;
    pacer = FramePacer{};
    return 0;
}

}  // namespace

void web_canvas_order(uint8_t* pixels, size_t count) {
    const v128_t opaque = wasm_i32x4_splat(static_cast<int32_t>(0xFF000000u));
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const v128_t bgrx = wasm_v128_load(pixels + 4 * i);
        const v128_t rgbx = wasm_i8x16_shuffle(bgrx, bgrx, 2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11,
                                               14, 13, 12, 15);
        wasm_v128_store(pixels + 4 * i, wasm_v128_or(rgbx, opaque));
    }
    for (; i < count; ++i) {
        uint8_t* p = pixels + 4 * i;
        const uint8_t blue = p[0];
        p[0] = p[2];
        p[2] = blue;
        p[3] = 0xFF;
    }
}

const PlatformDisplay platform_native_display = {
    load_library,    find_entry,           free_library,     create,
    set_cooperative_level, set_display_mode, restore_display_mode, create_surface,
    release_object,  get_attached_surface, get_pixel_format, restore,
    lock,            unlock,               flip,             release_surface,
};
