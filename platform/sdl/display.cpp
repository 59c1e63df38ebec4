// Display operations on SDL: the screen is taken with a borderless full-screen
// window; the flipping chain's back buffer is our own memory in the screen's
// pixel layout, and a flip copies it onto the window scaled by the largest
// whole factor that fits, centred on black borders. Nothing waits for the
// vertical blank; a flip waits only as long as it takes to show at most 60
// frames a second.
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/display.h"
#include "platform/frame_pacer.h"
#include "platform/sdl/backend.h"

namespace {

SdlBackend& be = sdl_backend;

#ifdef SIGHUP
// SDL turns SIGINT and SIGTERM into its quit event; a hang-up (the terminal
// that started the demo closing) takes the same close path: the handler only
// notes it, and the message pump posts the quit event.
struct sigaction hangup_before;
bool hangup_caught = false;

void on_hangup(int) { sdl_hangup_pending = 1; }

void catch_hangup() {
    struct sigaction action {};
    if (sigaction(SIGHUP, nullptr, &hangup_before) != 0 || hangup_before.sa_handler != SIG_DFL) {
        return;  // ignored (nohup) or someone else's
    }
    action.sa_handler = on_hangup;
    sigemptyset(&action.sa_mask);
    hangup_caught = sigaction(SIGHUP, &action, nullptr) == 0;
}

void release_hangup() {
    if (hangup_caught) sigaction(SIGHUP, &hangup_before, nullptr);
    hangup_caught = false;
}
#else
void catch_hangup() {}
void release_hangup() {}
#endif

// The video drivers that show something on a screen. SDL would otherwise
// fall back to drivers that draw into memory only; those serve only when the
// user names them in SDL_VIDEODRIVER. Wayland needs its runtime directory:
// without one it cannot connect and would only complain on stderr.
void choose_video_drivers() {
    const char* named = SDL_getenv("SDL_VIDEODRIVER");
    if (named != nullptr && named[0] != '\0') return;
    const bool wayland_possible = SDL_getenv("XDG_RUNTIME_DIR") != nullptr;
    char list[256] = "";
    for (int i = 0, n = SDL_GetNumVideoDrivers(); i < n; ++i) {
        const char* name = SDL_GetVideoDriver(i);
        if (SDL_strcmp(name, "offscreen") == 0 || SDL_strcmp(name, "dummy") == 0 ||
            SDL_strcmp(name, "evdev") == 0)
            continue;
        if (SDL_strcmp(name, "wayland") == 0 && !wayland_possible) continue;
        if (list[0] != '\0') SDL_strlcat(list, ",", sizeof list);
        SDL_strlcat(list, name, sizeof list);
    }
    // An empty list would mean any driver; a name that matches none means
    // none.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, list[0] != '\0' ? list : "none");
}

PlatformHandle load_library(const char*) {
    if (!be.video_up) {
        // The screen saver is ours to switch (window_open does), and a full-
        // screen window that loses the focus stays where it is.
        SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        choose_video_drivers();
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
        be.video_up = true;
        catch_hangup();
        // On X11 the window's own surface is in the screen's layout (rather
        // than a texture of SDL's choosing), so the frame keeps the depth the
        // display has. Other drivers offer only the texture.
        if (SDL_strcmp(SDL_GetCurrentVideoDriver(), "x11") == 0)
            SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    }
    return &sdl_library_token;
}

PlatformHandle find_entry(PlatformHandle library, const char* name) {
    if (library != &sdl_library_token || std::strcmp(name, "DirectDrawCreate") != 0) return nullptr;
    return &sdl_entry_token;
}

void free_library(PlatformHandle library) {
    if (library != &sdl_library_token || !be.video_up) return;
    release_hangup();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    be.video_up = false;
}

int32_t create(PlatformHandle entry, PlatformHandle* object) {
    if (entry != &sdl_entry_token || !be.video_up) return kSdlFailed;
    be.object_alive = true;
    *object = &sdl_object_token;
    return kSdlOk;
}

bool is_object(PlatformHandle object) { return object == &sdl_object_token && be.object_alive; }

int32_t set_cooperative_level(PlatformHandle object, PlatformHandle window, uint32_t flags) {
    if (!is_object(object)) return kSdlFailed;
    if ((flags & kDisplayExclusiveFullscreen) == kDisplayExclusiveFullscreen) {
        if (window == nullptr || window != be.window) return kSdlFailed;
        be.exclusive = true;
        return kSdlOk;
    }
    be.exclusive = false;
    return kSdlOk;
}

// The screen's own layout: SDL reports it per display; its bytes per pixel
// decide the depth that a mode can have.
bool screen_mode(SDL_DisplayMode* mode) {
    const int display = be.window != nullptr ? SDL_GetWindowDisplayIndex(be.window) : 0;
    return SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, mode) == 0;
}

int32_t set_display_mode(PlatformHandle object, int32_t width, int32_t height,
                         int32_t bits_per_pixel) {
    if (!is_object(object) || !be.exclusive || be.window == nullptr) return kSdlFailed;
    if (width <= 0 || height <= 0) return kSdlFailed;
    SDL_DisplayMode desktop;
    if (!screen_mode(&desktop)) return kSdlFailed;
    if (static_cast<int32_t>(SDL_BYTESPERPIXEL(desktop.format)) * 8 != bits_per_pixel) return kSdlFailed;

    if (desktop.w >= width && desktop.h >= height) {
        // The window covers the screen by its own geometry too, which is all
        // there is when no window manager acts on the full-screen request.
        const int display = SDL_GetWindowDisplayIndex(be.window);
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) == 0) {
            SDL_SetWindowPosition(be.window, bounds.x, bounds.y);
            SDL_SetWindowSize(be.window, bounds.w, bounds.h);
        }
        SDL_ShowWindow(be.window);
        // The whole screen, with the frame scaled up on it.
        if (SDL_SetWindowFullscreen(be.window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return kSdlFailed;
    } else {
        // A smaller screen: only a real mode of exactly this size will do.
        const int display = SDL_GetWindowDisplayIndex(be.window);
        SDL_DisplayMode exact{};
        bool found = false;
        for (int i = 0, n = SDL_GetNumDisplayModes(display); i < n && !found; ++i) {
            SDL_DisplayMode m;
            if (SDL_GetDisplayMode(display, i, &m) != 0) continue;
            if (m.w == width && m.h == height && static_cast<int32_t>(SDL_BYTESPERPIXEL(m.format)) * 8 == bits_per_pixel) {
                exact = m;
                found = true;
            }
        }
        if (!found) return kSdlFailed;
        if (SDL_SetWindowDisplayMode(be.window, &exact) != 0) return kSdlFailed;
        if (SDL_SetWindowFullscreen(be.window, SDL_WINDOW_FULLSCREEN) != 0) return kSdlFailed;
        SDL_ShowWindow(be.window);
    }
    SDL_RaiseWindow(be.window);
    be.mode_set = true;
    be.mode_width = width;
    be.mode_height = height;
    be.mode_bits = bits_per_pixel;
    be.mode_format = desktop.format;
    return kSdlOk;
}

int32_t restore_display_mode(PlatformHandle object) {
    if (!is_object(object)) return kSdlFailed;
    if (be.window != nullptr && be.mode_set) {
        SDL_SetWindowFullscreen(be.window, 0);
        SDL_HideWindow(be.window);
    }
    be.mode_set = false;
    return kSdlOk;
}

int32_t create_surface(PlatformHandle object, const PlatformSurfaceDescription* description,
                       PlatformHandle* surface) {
    if (!is_object(object) || !be.mode_set || be.primary_alive) return kSdlFailed;
    if ((description->flags & kSurfaceDescCaps) == 0 ||
        (description->caps & kCapsPrimarySurface) == 0)
        return kSdlFailed;
    int32_t back_count = 0;
    if ((description->caps & kCapsFlip) != 0) {
        if ((description->flags & kSurfaceDescBackBufferCount) == 0) return kSdlFailed;
        back_count = static_cast<int32_t>(description->back_buffer_count);
        if (back_count < 1 || back_count > 2) return kSdlFailed;
        // One buffer serves however many the chain asks for: a flip copies it
        // out at once, so it is free again when the flip returns.
        const int32_t bytes = be.mode_bits / 8;
        const int32_t pitch = (be.mode_width * bytes + 3) & ~3;
        be.back_pixels = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(pitch), be.mode_height));
        if (be.back_pixels == nullptr) return kSdlFailed;
        be.back_pitch = pitch;
    }
    be.primary_alive = true;
    be.back_buffer_count = back_count;
    *surface = &sdl_primary_token;
    return kSdlOk;
}

uint32_t release_object(PlatformHandle object) {
    if (!is_object(object)) return 0;
    be.object_alive = false;
    be.exclusive = false;
    be.mode_set = false;
    return 0;
}

bool is_primary(PlatformHandle surface) { return surface == &sdl_primary_token && be.primary_alive; }
bool is_back(PlatformHandle surface) {
    return surface == &sdl_back_token && be.primary_alive && be.back_buffer_count > 0;
}

int32_t get_attached_surface(PlatformHandle surface, uint32_t caps, PlatformHandle* attached) {
    if (!is_primary(surface) || (caps & kCapsBackBuffer) == 0 || be.back_buffer_count == 0)
        return kSdlFailed;
    *attached = &sdl_back_token;
    return kSdlOk;
}

int32_t get_pixel_format(PlatformHandle surface, PlatformPixelFormat* format) {
    if (!is_primary(surface) && !is_back(surface)) return kSdlFailed;
    int bpp = 0;
    Uint32 r = 0, g = 0, b = 0, a = 0;
    if (SDL_PixelFormatEnumToMasks(be.mode_format, &bpp, &r, &g, &b, &a) == SDL_FALSE)
        return kSdlFailed;
    format->flags = SDL_ISPIXELFORMAT_INDEXED(be.mode_format) ? 0 : kPixelFormatRgb;
    format->rgb_bit_count = static_cast<uint32_t>(be.mode_bits);
    format->red_mask = r;
    format->green_mask = g;
    format->blue_mask = b;
    return kSdlOk;
}

int32_t restore(PlatformHandle surface) { return is_primary(surface) ? kSdlOk : kSdlFailed; }

int32_t lock(PlatformHandle surface, uint32_t, PlatformLockedSurface* locked) {
    if (!is_back(surface) || be.back_locked) return kSdlFailed;
    be.back_locked = true;
    locked->address = be.back_pixels;
    locked->pitch = be.back_pitch;
    return kSdlOk;
}

int32_t unlock(PlatformHandle surface, void*) {
    if (!is_back(surface) || !be.back_locked) return kSdlFailed;
    be.back_locked = false;
    return kSdlOk;
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
void present(SDL_Surface* target, int32_t scale, const uint8_t* pixels, int32_t pitch) {
    const int32_t w = be.mode_width;
    const int32_t h = be.mode_height;
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
    const int64_t wait = frame_pacer_wait(be.pacer, now_ns());
    if (wait > 0) SDL_Delay(static_cast<uint32_t>((wait + 999999) / 1000000));
}

int32_t flip(PlatformHandle surface, uint32_t) {
    if (!is_primary(surface) || be.back_buffer_count == 0 || be.back_locked) return kSdlFailed;
    wait_for_frame_time();
    SDL_Surface* target = SDL_GetWindowSurface(be.window);
    if (target == nullptr) return kSdlFailed;
    const int32_t scale_x = target->w / be.mode_width;
    const int32_t scale_y = target->h / be.mode_height;
    const int32_t scale = scale_x < scale_y ? scale_x : scale_y;
    // Until the window has reached its full-screen size there is nowhere to
    // show the frame: it is dropped, as a refused flip is.
    if (scale < 1) return kSdlFailed;
    if (target->format->format == be.mode_format) {
        present(target, scale, be.back_pixels, be.back_pitch);
    } else {
        // A window surface in another layout than the screen's (a texture
        // on some drivers): the back buffer is converted on the way.
        const int32_t pitch = be.mode_width * target->format->BytesPerPixel;
        const size_t size = static_cast<size_t>(pitch) * be.mode_height;
        if (be.converted_size < size) {
            void* grown = std::realloc(be.converted, size);
            if (grown == nullptr) return kSdlFailed;
            be.converted = static_cast<uint8_t*>(grown);
            be.converted_size = size;
        }
        if (SDL_ConvertPixels(be.mode_width, be.mode_height, be.mode_format, be.back_pixels,
                              be.back_pitch, target->format->format, be.converted, pitch) != 0)
            return kSdlFailed;
        present(target, scale, be.converted, pitch);
    }
    if (SDL_UpdateWindowSurface(be.window) != 0) return kSdlFailed;
    frame_pacer_presented(be.pacer, now_ns());
    return kSdlOk;
}

uint32_t release_surface(PlatformHandle surface) {
    if (!is_primary(surface)) return 0;
    std::free(be.back_pixels);
    be.back_pixels = nullptr;
    std::free(be.converted);
    be.converted = nullptr;
    be.converted_size = 0;
    be.back_pitch = 0;
    be.back_buffer_count = 0;
    be.back_locked = false;
    be.primary_alive = false;
    be.pacer = FramePacer{};
    return 0;
}

}  // namespace

const PlatformDisplay platform_native_display = {
    load_library,    find_entry,           free_library,     create,
    set_cooperative_level, set_display_mode, restore_display_mode, create_surface,
    release_object,  get_attached_surface, get_pixel_format, restore,
    lock,            unlock,               flip,             release_surface,
};
