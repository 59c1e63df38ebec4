// The SDL backend's display hooks: the screen is taken with a borderless
// full-screen window; the flipping chain's back buffer (the emulated
// display's, in the screen's pixel layout) is copied onto the window by a
// flip, scaled by the largest whole factor that fits, centred on black
// borders. Nothing waits for the
// vertical blank; a flip waits only as long as it takes to show at most 60
// frames a second.
#include <cstdlib>
#include <cstring>

#include "platform/frame_pacer.h"
#include "platform/sdl/backend.h"

namespace {

// The mode the screen is in, and the SDL pixel format of the screen at that
// depth.
int32_t mode_width = 0;
int32_t mode_height = 0;
int32_t mode_bits = 0;
uint32_t mode_format = 0;
// The back buffer in the window surface's layout, where that differs from
// the screen's.
uint8_t* converted = nullptr;
size_t converted_size = 0;
// When the chain may show its next frame.
FramePacer pacer;

// Video drivers that draw into memory only and show nothing on a screen:
// with one of them the demo would run unseen until killed, so they count as
// no display, even when SDL_VIDEODRIVER names them.
bool shows_nothing(const char* driver) {
    return SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0 ||
           SDL_strcmp(driver, "evdev") == 0;
}

// The video drivers that show something on a screen, unless the user names
// some in SDL_VIDEODRIVER. Wayland needs its runtime directory: without one
// it cannot connect and would only complain on stderr.
void choose_video_drivers() {
    const char* named = SDL_getenv("SDL_VIDEODRIVER");
    if (named != nullptr && named[0] != '\0') return;
    const bool wayland_possible = SDL_getenv("XDG_RUNTIME_DIR") != nullptr;
    char list[256] = "";
    for (int i = 0, n = SDL_GetNumVideoDrivers(); i < n; ++i) {
        const char* name = SDL_GetVideoDriver(i);
        if (shows_nothing(name)) continue;
        if (SDL_strcmp(name, "wayland") == 0 && !wayland_possible) continue;
        if (list[0] != '\0') SDL_strlcat(list, ",", sizeof list);
        SDL_strlcat(list, name, sizeof list);
    }
    // An empty list would mean any driver; a name that matches none means
    // none.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, list[0] != '\0' ? list : "none");
}

// One row of the back buffer, each pixel repeated `scale` times.
template <int32_t Bytes>
void widen_row(const uint8_t* source, uint8_t* out, int32_t width, int32_t scale) {
    for (int32_t x = 0; x < width; ++x) {
        uint8_t pixel[Bytes];
        std::memcpy(pixel, source + x * Bytes, Bytes);
        for (int32_t k = 0; k < scale; ++k) {
            std::memcpy(out, pixel, Bytes);
            out += Bytes;
        }
    }
}

void widen_row(const uint8_t* source, uint8_t* out, int32_t width, int32_t scale, int32_t bytes) {
    switch (bytes) {
        case 4: widen_row<4>(source, out, width, scale); break;
        case 3: widen_row<3>(source, out, width, scale); break;
        default: widen_row<2>(source, out, width, scale); break;
    }
}

// Copies the back buffer onto the window surface: each pixel becomes a
// scale x scale block; the rest of the surface is black.
void draw_scaled(SDL_Surface* target, int32_t scale, const uint8_t* pixels, int32_t pitch) {
    const int32_t w = mode_width;
    const int32_t h = mode_height;
    const int32_t bytes = target->format->BytesPerPixel;
    const int32_t left = (target->w - w * scale) / 2;
    const int32_t top = (target->h - h * scale) / 2;

    const SDL_Rect borders[4] = {
        {0, 0, target->w, top},
        {0, top + h * scale, target->w, target->h - top - h * scale},
        {0, top, left, h * scale},
        {left + w * scale, top, target->w - left - w * scale, h * scale},
    };
    for (const SDL_Rect& r : borders) {
        if (r.w > 0 && r.h > 0) SDL_FillRect(target, &r, 0);
    }

    if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
    auto* base = static_cast<uint8_t*>(target->pixels);
    const size_t row_bytes = static_cast<size_t>(w) * scale * bytes;
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* source = pixels + static_cast<size_t>(y) * pitch;
        uint8_t* first = base + static_cast<size_t>(top + y * scale) * target->pitch +
                         static_cast<size_t>(left) * bytes;
        if (scale == 1) {
            std::memcpy(first, source, row_bytes);
            continue;
        }
        widen_row(source, first, w, scale, bytes);
        for (int32_t k = 1; k < scale; ++k) {
            std::memcpy(first + static_cast<size_t>(k) * target->pitch, first, row_bytes);
        }
    }
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
}

int64_t now_ns() {
    const uint64_t count = SDL_GetPerformanceCounter();
    const uint64_t frequency = SDL_GetPerformanceFrequency();
    return static_cast<int64_t>(count / frequency * 1000000000u +
                                count % frequency * 1000000000u / frequency);
}

// Waits until the chain may show its next frame.
void wait_for_frame_time() {
    const int64_t wait = frame_pacer_wait(pacer, now_ns());
    if (wait > 0) SDL_Delay(static_cast<uint32_t>((wait + 999999) / 1000000));
}

// The screen's own layout: SDL reports it per display; its bytes per pixel
// decide the depth that a mode can have.
bool screen_mode(SDL_DisplayMode* mode) {
    const int display = sdl_window != nullptr ? SDL_GetWindowDisplayIndex(sdl_window) : 0;
    return SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, mode) == 0;
}


bool take_screen() {
    // The screen saver is ours to switch (window_open does), and a full-
    // screen window that loses the focus stays where it is.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // The signals are ours (ending.cpp), caught before the display is
    // opened, since opening may wait on a display that never answers.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    choose_video_drivers();
    sdl_ending_take();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        sdl_ending_open_failed();
        return false;
    }
    if (shows_nothing(SDL_GetCurrentVideoDriver())) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        sdl_ending_open_failed();
        return false;
    }
    sdl_video_up = true;
    // On X11 the window's own surface is in the screen's layout (rather
    // than a texture of SDL's choosing), so the frame keeps the depth the
    // display has. Other drivers offer only the texture.
    if (SDL_strcmp(SDL_GetCurrentVideoDriver(), "x11") == 0) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        sdl_ending_watch_x11();
    }
    return true;
}

void release_screen() {
    sdl_ending_release();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    sdl_video_up = false;
}

bool set_mode(PlatformHandle, int32_t width, int32_t height, int32_t bits_per_pixel) {
    if (sdl_window == nullptr) return false;
    SDL_DisplayMode desktop;
    if (!screen_mode(&desktop)) return false;
    if (static_cast<int32_t>(SDL_BYTESPERPIXEL(desktop.format)) * 8 != bits_per_pixel) return false;

    if (desktop.w >= width && desktop.h >= height) {
        // The window covers the screen by its own geometry too, which is all
        // there is when no window manager acts on the full-screen request.
        const int display = SDL_GetWindowDisplayIndex(sdl_window);
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) == 0) {
            SDL_SetWindowPosition(sdl_window, bounds.x, bounds.y);
            SDL_SetWindowSize(sdl_window, bounds.w, bounds.h);
        }
        SDL_ShowWindow(sdl_window);
        // The whole screen, with the frame scaled up on it.
        if (SDL_SetWindowFullscreen(sdl_window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return false;
    } else {
        // A smaller screen: only a real mode of exactly this size will do.
        const int display = SDL_GetWindowDisplayIndex(sdl_window);
        SDL_DisplayMode exact{};
        bool found = false;
        for (int i = 0, n = SDL_GetNumDisplayModes(display); i < n && !found; ++i) {
            SDL_DisplayMode m;
            if (SDL_GetDisplayMode(display, i, &m) != 0) continue;
            const int32_t bits = static_cast<int32_t>(SDL_BYTESPERPIXEL(m.format)) * 8;
            if (m.w == width && m.h == height && bits == bits_per_pixel) {
                exact = m;
                found = true;
            }
        }
        if (!found) return false;
        if (SDL_SetWindowDisplayMode(sdl_window, &exact) != 0) return false;
        if (SDL_SetWindowFullscreen(sdl_window, SDL_WINDOW_FULLSCREEN) != 0) return false;
        SDL_ShowWindow(sdl_window);
    }
    SDL_RaiseWindow(sdl_window);
    sdl_ending_display_answered();
    mode_width = width;
    mode_height = height;
    mode_bits = bits_per_pixel;
    mode_format = desktop.format;
    return true;
}

void restore_mode(PlatformHandle) {
    if (sdl_window == nullptr) return;
    SDL_SetWindowFullscreen(sdl_window, 0);
    SDL_HideWindow(sdl_window);
}

bool pixel_format(PlatformPixelFormat* format) {
    int bpp = 0;
    Uint32 r = 0, g = 0, b = 0, a = 0;
    if (SDL_PixelFormatEnumToMasks(mode_format, &bpp, &r, &g, &b, &a) == SDL_FALSE) return false;
    format->flags = SDL_ISPIXELFORMAT_INDEXED(mode_format) ? 0 : kPixelFormatRgb;
    format->rgb_bit_count = static_cast<uint32_t>(mode_bits);
    format->red_mask = r;
    format->green_mask = g;
    format->blue_mask = b;
    return true;
}

bool present(uint8_t* pixels, int32_t pitch) {
    wait_for_frame_time();
    SDL_Surface* target = SDL_GetWindowSurface(sdl_window);
    if (target == nullptr) return false;
    const int32_t scale_x = target->w / mode_width;
    const int32_t scale_y = target->h / mode_height;
    const int32_t scale = scale_x < scale_y ? scale_x : scale_y;
    // Until the window has reached its full-screen size there is nowhere to
    // show the frame: it is dropped, as a refused flip is.
    if (scale < 1) return false;
    if (target->format->format == mode_format) {
        draw_scaled(target, scale, pixels, pitch);
    } else {
        // A window surface in another layout than the screen's (a texture
        // on some drivers): the back buffer is converted on the way.
        const int32_t converted_pitch = mode_width * target->format->BytesPerPixel;
        const size_t size = static_cast<size_t>(converted_pitch) * mode_height;
        if (converted_size < size) {
            void* grown = std::realloc(converted, size);
            if (grown == nullptr) return false;
            converted = static_cast<uint8_t*>(grown);
            converted_size = size;
        }
        if (SDL_ConvertPixels(mode_width, mode_height, mode_format, pixels, pitch,
                              target->format->format, converted, converted_pitch) != 0)
            return false;
        draw_scaled(target, scale, converted, converted_pitch);
    }
    if (SDL_UpdateWindowSurface(sdl_window) != 0) return false;
    frame_pacer_presented(pacer, now_ns());
    return true;
}

void chain_released() {
    std::free(converted);
    converted = nullptr;
    converted_size = 0;
    pacer = FramePacer{};
}

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

bool sdl_video_up = false;

const EmulatedDisplayHooks* emulated_display_hooks = &hooks;
