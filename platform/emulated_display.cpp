// The display objects, the window and the key state of an emulated display;
// the system's own work is left to the backend's hooks.
#include "platform/emulated_display.h"

#include <cstdlib>
#include <cstring>

#include "platform/keyboard.h"
#include "platform/us_layout.h"

namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kFailed = -1;

struct State {
    bool screen_taken = false;

    // The window and its class.
    PlatformHandle window = nullptr;
    PlatformWindowProc window_proc = nullptr;

    // The display object.
    bool object_alive = false;
    bool exclusive = false;
    bool mode_set = false;
    int32_t mode_width = 0;
    int32_t mode_height = 0;
    int32_t mode_bits = 0;

    // The flipping chain: one back buffer in our memory serves however many
    // the chain asks for, since a flip shows it at once and it is free again
    // when the flip returns.
    bool primary_alive = false;
    int32_t back_buffer_count = 0;
    uint8_t* back_pixels = nullptr;
    int32_t back_pitch = 0;
    bool back_locked = false;

    // The key state as of the last key event: the down bit of every virtual
    // key, the on bit of Caps Lock and Num Lock.
    uint8_t key_state[256] = {};
};

State state;

// Handles that stand for objects without a memory of their own.
char library_token;
char entry_token;
char object_token;
char primary_token;
char back_token;

const EmulatedDisplayHooks& hooks() { return *emulated_display_hooks; }
const EmulatedWindowHooks& window_hooks() { return *emulated_window_hooks; }

// --- display ---

PlatformHandle load_library(const char*) {
    if (!state.screen_taken) {
        if (!hooks().take_screen()) return nullptr;
        state.screen_taken = true;
    }
    return &library_token;
}

PlatformHandle find_entry(PlatformHandle library, const char* name) {
    if (library != &library_token || std::strcmp(name, "DirectDrawCreate") != 0) return nullptr;
    return &entry_token;
}

void free_library(PlatformHandle library) {
    if (library != &library_token || !state.screen_taken) return;
    hooks().release_screen();
    state.screen_taken = false;
}

int32_t create(PlatformHandle entry, PlatformHandle* object) {
    if (entry != &entry_token || !state.screen_taken) return kFailed;
    state.object_alive = true;
    *object = &object_token;
    return kOk;
}

bool is_object(PlatformHandle object) { return object == &object_token && state.object_alive; }

int32_t set_cooperative_level(PlatformHandle object, PlatformHandle window, uint32_t flags) {
    if (!is_object(object)) return kFailed;
    if ((flags & kDisplayExclusiveFullscreen) == kDisplayExclusiveFullscreen) {
        if (window == nullptr || window != state.window) return kFailed;
        state.exclusive = true;
        return kOk;
    }
    state.exclusive = false;
    return kOk;
}

int32_t set_display_mode(PlatformHandle object, int32_t width, int32_t height,
                         int32_t bits_per_pixel) {
    if (!is_object(object) || !state.exclusive || state.window == nullptr) return kFailed;
    if (width <= 0 || height <= 0) return kFailed;
    if (!hooks().set_mode(state.window, width, height, bits_per_pixel)) return kFailed;
    state.mode_set = true;
    state.mode_width = width;
    state.mode_height = height;
    state.mode_bits = bits_per_pixel;
    return kOk;
}

int32_t restore_display_mode(PlatformHandle object) {
    if (!is_object(object)) return kFailed;
    if (state.window != nullptr && state.mode_set) hooks().restore_mode(state.window);
    state.mode_set = false;
    return kOk;
}

int32_t create_surface(PlatformHandle object, const PlatformSurfaceDescription* description,
                       PlatformHandle* surface) {
    if (!is_object(object) || !state.mode_set || state.primary_alive) return kFailed;
    if ((description->flags & kSurfaceDescCaps) == 0 ||
        (description->caps & kCapsPrimarySurface) == 0)
        return kFailed;
    int32_t back_count = 0;
    if ((description->caps & kCapsFlip) != 0) {
        if ((description->flags & kSurfaceDescBackBufferCount) == 0) return kFailed;
        back_count = static_cast<int32_t>(description->back_buffer_count);
        if (back_count < 1 || back_count > 2) return kFailed;
        const int32_t pitch = (state.mode_width * (state.mode_bits / 8) + 3) & ~3;
        state.back_pixels = static_cast<uint8_t*>(
            std::calloc(static_cast<size_t>(pitch), static_cast<size_t>(state.mode_height)));
        if (state.back_pixels == nullptr) return kFailed;
        state.back_pitch = pitch;
    }
    state.primary_alive = true;
    state.back_buffer_count = back_count;
    *surface = &primary_token;
    return kOk;
}

uint32_t release_object(PlatformHandle object) {
    if (!is_object(object)) return 0;
    state.object_alive = false;
    state.exclusive = false;
    state.mode_set = false;
    return 0;
}

bool is_primary(PlatformHandle surface) { return surface == &primary_token && state.primary_alive; }
bool is_back(PlatformHandle surface) {
    return surface == &back_token && state.primary_alive && state.back_buffer_count > 0;
}

int32_t get_attached_surface(PlatformHandle surface, uint32_t caps, PlatformHandle* attached) {
    if (!is_primary(surface) || (caps & kCapsBackBuffer) == 0 || state.back_buffer_count == 0)
        return kFailed;
    *attached = &back_token;
    return kOk;
}

int32_t get_pixel_format(PlatformHandle surface, PlatformPixelFormat* format) {
    if (!is_primary(surface) && !is_back(surface)) return kFailed;
    return hooks().pixel_format(format) ? kOk : kFailed;
}

int32_t restore(PlatformHandle surface) { return is_primary(surface) ? kOk : kFailed; }

int32_t lock(PlatformHandle surface, uint32_t, PlatformLockedSurface* locked) {
    if (!is_back(surface) || state.back_locked) return kFailed;
    state.back_locked = true;
    locked->address = state.back_pixels;
    locked->pitch = state.back_pitch;
    return kOk;
}

int32_t unlock(PlatformHandle surface, void*) {
    if (!is_back(surface) || !state.back_locked) return kFailed;
    state.back_locked = false;
    return kOk;
}

int32_t flip(PlatformHandle surface, uint32_t) {
    if (!is_primary(surface) || state.back_buffer_count == 0 || state.back_locked) return kFailed;
    return hooks().present(state.back_pixels, state.back_pitch) ? kOk : kFailed;
}

uint32_t release_surface(PlatformHandle surface) {
    if (!is_primary(surface)) return 0;
    std::free(state.back_pixels);
    state.back_pixels = nullptr;
    state.back_pitch = 0;
    state.back_buffer_count = 0;
    state.back_locked = false;
    state.primary_alive = false;
    hooks().chain_released();
    return 0;
}

// --- window and messages ---

uint16_t register_class(const PlatformWindowClass* window_class) {
    if (window_class == nullptr || window_class->window_proc == nullptr) return 0;
    state.window_proc = window_class->window_proc;
    return 1;
}

PlatformHandle create_window(uint32_t, const char*, const char* window_name, uint32_t, int32_t x,
                             int32_t y, int32_t width, int32_t height, PlatformHandle,
                             PlatformHandle, PlatformHandle, void*) {
    if (state.window != nullptr) return nullptr;
    state.window = window_hooks().create_window(window_name, x, y, width, height);
    return state.window;
}

int32_t destroy_window(PlatformHandle window) {
    if (window == nullptr || window != state.window) return 0;
    window_hooks().destroy_window(window);
    state.window = nullptr;
    return 1;
}

int32_t peek_message(PlatformMessage* message, PlatformHandle, uint32_t, uint32_t, uint32_t remove) {
    return window_hooks().next_message(message, (remove & kPeekRemove) != 0) ? 1 : 0;
}

int32_t translate_message(const PlatformMessage*) { return 0; }

intptr_t dispatch_message(const PlatformMessage* message) {
    if (state.window_proc == nullptr) return 0;
    return state.window_proc(message->window, message->message, message->wparam, message->lparam);
}

intptr_t default_window_proc(PlatformHandle, uint32_t, uintptr_t, intptr_t) { return 0; }

PlatformHandle set_cursor(PlatformHandle cursor) { return window_hooks().set_cursor(cursor); }

int32_t system_parameters_info(uint32_t action, uint32_t param, void* pv_param, uint32_t) {
    switch (action) {
        case kSpiGetScreenSaveActive:
            if (pv_param == nullptr) return 0;
            *static_cast<int32_t*>(pv_param) = window_hooks().screen_saver_enabled() ? 1 : 0;
            return 1;
        case kSpiSetScreenSaveActive:
            window_hooks().enable_screen_saver(param != 0);
            return 1;
        default:
            return 0;
    }
}

// --- keyboard ---

int32_t get_keyboard_state(uint8_t key_state[256]) {
    std::memcpy(key_state, state.key_state, 256);
    return 1;
}

}  // namespace

PlatformHandle emulated_display_window() { return state.window; }

void emulated_display_set_key(uint8_t virtual_key, bool down) {
    uint8_t& byte = state.key_state[virtual_key];
    byte = static_cast<uint8_t>((byte & ~kKeyDown) | (down ? kKeyDown : 0));
}

void emulated_display_set_toggle(uint8_t virtual_key, bool on) {
    uint8_t& byte = state.key_state[virtual_key];
    byte = static_cast<uint8_t>((byte & ~kKeyToggled) | (on ? kKeyToggled : 0));
}

void emulated_display_reset() {
    std::free(state.back_pixels);
    state = State{};
}

const PlatformDisplay platform_emulated_display = {
    .load_library = load_library,
    .find_entry = find_entry,
    .free_library = free_library,
    .create = create,
    .set_cooperative_level = set_cooperative_level,
    .set_display_mode = set_display_mode,
    .restore_display_mode = restore_display_mode,
    .create_surface = create_surface,
    .release_object = release_object,
    .get_attached_surface = get_attached_surface,
    .get_pixel_format = get_pixel_format,
    .restore = restore,
    .lock = lock,
    .unlock = unlock,
    .flip = flip,
    .release_surface = release_surface,
};

const PlatformWindowSystem platform_emulated_window_system = {
    .register_class = register_class,
    .create_window = create_window,
    .destroy_window = destroy_window,
    .peek_message = peek_message,
    .translate_message = translate_message,
    .dispatch_message = dispatch_message,
    .default_window_proc = default_window_proc,
    .set_cursor = set_cursor,
    .system_parameters_info = system_parameters_info,
};

const PlatformKeyboard platform_emulated_keyboard = {
    .get_keyboard_state = get_keyboard_state,
    .to_ascii = us_layout_to_ascii,
};
