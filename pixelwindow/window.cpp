// The pixel window: display take-over, frame presentation and the window
// procedure.
#include "pixelwindow/window.h"

#include "pixelwindow/keyboard_feed.h"
#include "platform/clock.h"
#include "platform/window_system.h"
#include "runtime/key_input.h"

PlatformHandle ddraw_module = nullptr;
PlatformHandle ddraw_object = nullptr;
PlatformHandle primary_surface = nullptr;
PlatformHandle back_surface = nullptr;
PlatformHandle window_handle = nullptr;
int32_t window_width = 0;
int32_t window_height = 0;
PixelConverter row_converter = nullptr;
int32_t display_active = 1;
int32_t screen_saver_taken = 0;
int32_t screen_saver_found = 0;

namespace {

PlatformWindowClass window_class{};

// The three ways of building the flipping chain, tried in this order:
// triple buffering, double buffering, a lone primary surface.
constexpr PlatformSurfaceDescription kSurfaceDescriptions[3] = {
    {kSurfaceDescCaps | kSurfaceDescBackBufferCount, 2,
     kCapsPrimarySurface | kCapsFlip | kCapsComplex | kCapsVideoMemory},
    {kSurfaceDescCaps | kSurfaceDescBackBufferCount, 1,
     kCapsPrimarySurface | kCapsFlip | kCapsComplex | kCapsVideoMemory},
    {kSurfaceDescCaps, 0, kCapsPrimarySurface | kCapsVideoMemory},
};

constexpr int32_t kDepths[3] = {32, 24, 16};

bool failed(int32_t result) { return result < 0; }

// Takes the display through the tables in use, step by step; 0 at the first
// step refused, leaving what was taken in the module state.
int32_t take_display(const char* title, int32_t width, int32_t height) {
    const PlatformDisplay& dd = *platform_display;
    const PlatformWindowSystem& ws = *platform_window_system;

    window_width = width;
    window_height = height;

    ddraw_module = dd.load_library("ddraw.dll");
    if (ddraw_module == nullptr) return 0;
    PlatformHandle create_entry = dd.find_entry(ddraw_module, "DirectDrawCreate");
    if (create_entry == nullptr) return 0;
    if (failed(dd.create(create_entry, &ddraw_object))) return 0;

    window_class = PlatformWindowClass{};
    window_class.style = 0;
    window_class.window_proc = window_message_proc;
    window_class.class_name = title;
    ws.register_class(&window_class);

    window_handle = ws.create_window(0, title, title, kWindowStylePopup, 0, 0, 0, 0, nullptr,
                                     nullptr, nullptr, nullptr);

    if (failed(dd.set_cooperative_level(ddraw_object, window_handle, kDisplayExclusiveFullscreen)))
        return 0;

    bool mode_set = false;
    for (int32_t depth : kDepths) {
        if (!failed(dd.set_display_mode(ddraw_object, width, height, depth))) {
            mode_set = true;
            break;
        }
    }
    if (!mode_set) return 0;

    bool surface_made = false;
    for (const PlatformSurfaceDescription& description : kSurfaceDescriptions) {
        if (!failed(dd.create_surface(ddraw_object, &description, &primary_surface))) {
            surface_made = true;
            break;
        }
    }
    if (!surface_made) return 0;

    if (failed(dd.get_attached_surface(primary_surface, kCapsBackBuffer, &back_surface))) return 0;

    PlatformPixelFormat format{};
    if (failed(dd.get_pixel_format(primary_surface, &format))) return 0;
    if ((format.flags & kPixelFormatRgb) == 0) return 0;

    row_converter = choose_converter(static_cast<int32_t>(format.rgb_bit_count), format.red_mask,
                                     format.green_mask, format.blue_mask);
    if (row_converter == nullptr) return 0;

    // Remember the screen saver's state so that closing puts back what was
    // found rather than switching it on unconditionally. If the state cannot
    // be read, it is taken as on.
    int32_t found = 1;
    if (ws.system_parameters_info(kSpiGetScreenSaveActive, 0, &found, 0) == 0) found = 1;
    screen_saver_found = found != 0 ? 1 : 0;
    screen_saver_taken = 1;
    ws.system_parameters_info(kSpiSetScreenSaveActive, 0, nullptr, 0);

    key_input_hooks.inkey_hook = window_inkey;
    key_input_hooks.getkey_hook = window_getkey;
    key_input_hooks.keyhit_hook = window_keyhit;
    return 1;
}

// Releases what take_display took, through the tables it took it with.
void release_display() {
    const PlatformDisplay& dd = *platform_display;
    const PlatformWindowSystem& ws = *platform_window_system;

    if (primary_surface != nullptr) {
        dd.release_surface(primary_surface);
        primary_surface = nullptr;
    }
    if (ddraw_object != nullptr) {
        dd.restore_display_mode(ddraw_object);
        dd.set_cooperative_level(ddraw_object, window_handle, kDisplayNormal);
        dd.release_object(ddraw_object);
        ddraw_object = nullptr;
    }
    ws.destroy_window(window_handle);
    if (ddraw_module != nullptr) {
        dd.free_library(ddraw_module);
        ddraw_module = nullptr;
    }
    // Put the screen saver back the way window_open found it; if the open
    // never got as far as switching it off, it is left alone.
    if (screen_saver_taken != 0) {
        ws.system_parameters_info(kSpiSetScreenSaveActive,
                                  static_cast<uint32_t>(screen_saver_found), nullptr, 0);
        screen_saver_taken = 0;
    }
}

}  // namespace

int32_t window_open(const char* title, int32_t width, int32_t height) {
    if (take_display(title, width, height) != 0) return 1;
    if (platform_fallback_display == nullptr || platform_fallback_window_system == nullptr ||
        platform_display == platform_fallback_display)
        return 0;
    // The display refused this size (as today's Windows drivers refuse the
    // small modes) or has no DirectDraw at all: what was taken goes back,
    // and the frame is shown the second way, a window over the whole screen,
    // from then on until window_close.
    release_display();
    platform_display = platform_fallback_display;
    platform_window_system = platform_fallback_window_system;
    return take_display(title, width, height);
}

void window_pump_messages() {
    const PlatformWindowSystem& ws = *platform_window_system;
    PlatformMessage message{};
    while (ws.peek_message(&message, window_handle, 0, 0, kPeekRemove) != 0) {
        ws.translate_message(&message);
        ws.dispatch_message(&message);
    }
}

int32_t window_update(const uint32_t* pixels) {
    const PlatformDisplay& dd = *platform_display;

    window_pump_messages();

    if (display_active == 0) {
        platform_clock->sleep(1);
        return 1;
    }

    dd.restore(primary_surface);

    PlatformLockedSurface locked{};
    if (failed(dd.lock(back_surface, kLockWait, &locked))) return 0;

    const uint32_t count = static_cast<uint32_t>(window_width);
    for (int32_t y = 0; y < window_height; ++y) {
        const uint32_t* source = pixels + static_cast<intptr_t>(y) * window_width;
        uint8_t* destination =
            static_cast<uint8_t*>(locked.address) + static_cast<intptr_t>(y) * locked.pitch;
        row_converter(source, destination, count);
    }

    dd.unlock(back_surface, locked.address);
    dd.flip(primary_surface, kFlipNoVsync | kFlipDoNotWait);
    platform_clock->sleep(0);
    return 1;
}

void window_close() {
    release_display();
    key_input_hooks.inkey_hook = nullptr;
    key_input_hooks.getkey_hook = nullptr;
    key_input_hooks.keyhit_hook = nullptr;
}

intptr_t window_message_proc(PlatformHandle window, uint32_t message, uintptr_t wparam,
                             intptr_t lparam) {
    switch (message) {
        case kMessageActivateApp:
            // Kept as given; a nonzero parameter wider than 32 bits still
            // reads as active.
            display_active = wparam == static_cast<uint32_t>(wparam) ? static_cast<int32_t>(wparam) : 1;
            return 0;
        case kMessageSetCursor:
            platform_window_system->set_cursor(nullptr);
            return 0;
        case kMessageKeyDown:
            if (display_active != 0) translate_key_down(wparam, lparam);
            return 0;
        case kMessageClose:
            // Closing the window ends the demo the way Escape does: the key
            // reaches the reader, which gives the display back and exits
            // normally. The window itself stays until window_close.
            key_ring_put(kEscapeCode);
            return 0;
        default:
            return platform_window_system->default_window_proc(window, message, wparam, lparam);
    }
}
