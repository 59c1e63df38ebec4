// The SDL backend's window hooks: SDL's events become the window's messages
// with Windows numbers and parameters; key events carry virtual-key codes and
// set-1 scan codes.
#include "platform/hid_keys.h"
#include "platform/key_messages.h"
#include "platform/sdl/backend.h"
#include "platform/virtual_keys.h"

namespace {

void note_modifiers(uint16_t mod) {
    emulated_display_set_key(vk::kLShift, (mod & KMOD_LSHIFT) != 0);
    emulated_display_set_key(vk::kRShift, (mod & KMOD_RSHIFT) != 0);
    emulated_display_set_key(vk::kShift, (mod & KMOD_SHIFT) != 0);
    emulated_display_set_key(vk::kLControl, (mod & KMOD_LCTRL) != 0);
    emulated_display_set_key(vk::kRControl, (mod & KMOD_RCTRL) != 0);
    emulated_display_set_key(vk::kControl, (mod & KMOD_CTRL) != 0);
    emulated_display_set_key(vk::kLMenu, (mod & KMOD_LALT) != 0);
    emulated_display_set_key(vk::kRMenu, (mod & KMOD_RALT) != 0);
    emulated_display_set_key(vk::kMenu, (mod & KMOD_ALT) != 0);
    emulated_display_set_toggle(vk::kCapital, (mod & KMOD_CAPS) != 0);
    emulated_display_set_toggle(vk::kNumLock, (mod & KMOD_NUM) != 0);
}

// Turns one SDL event into a message; false when it has none.
bool message_of(const SDL_Event& event, PlatformMessage* message) {
    *message = PlatformMessage{sdl_window, 0, 0, 0};
    switch (event.type) {
        case SDL_QUIT:
            message->message = kMessageClose;
            return true;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_FOCUS_GAINED:
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    message->message = kMessageActivateApp;
                    message->wparam = event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED ? 1 : 0;
                    return true;
                case SDL_WINDOWEVENT_CLOSE:
                    message->message = kMessageClose;
                    return true;
                case SDL_WINDOWEVENT_SHOWN:
                case SDL_WINDOWEVENT_ENTER:
                    *message = pointer_message(sdl_window);
                    return true;
                default:
                    return false;
            }
        case SDL_MOUSEMOTION:
            *message = pointer_message(sdl_window);
            return true;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const uint16_t mod = event.key.keysym.mod;
            const PcKey key = pc_key_for_usage(static_cast<int32_t>(event.key.keysym.scancode),
                                               (mod & KMOD_NUM) != 0);
            note_modifiers(mod);
            if (key.virtual_key == 0) return false;
            const bool down = event.type == SDL_KEYDOWN;
            emulated_display_set_key(key.virtual_key, down);
            *message = key_message(sdl_window, key, down, event.key.repeat != 0,
                                   (mod & KMOD_ALT) != 0, (mod & KMOD_CTRL) != 0);
            return true;
        }
        default:
            return false;
    }
}


PlatformHandle create_window(const char* title, int32_t x, int32_t y, int32_t width,
                                 int32_t height) {
    if (!sdl_video_up || sdl_window != nullptr) return nullptr;
    // SDL has no windows of size 0; the window is hidden until the display
    // mode takes the screen.
    sdl_window = SDL_CreateWindow(title, x, y, width > 0 ? width : 1, height > 0 ? height : 1,
                                  SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS);
    return sdl_window;
}

void destroy_window(PlatformHandle) {
    SDL_DestroyWindow(sdl_window);
    sdl_window = nullptr;
}

bool next_message(PlatformMessage* message, bool remove) {
    if (!sdl_video_up) return false;
    if (sdl_quit_pending) {
        sdl_quit_pending = 0;
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
    if (!remove) {
        // Look without taking: the first event that makes a message.
        SDL_PumpEvents();
        SDL_Event pending[64];
        const int n = SDL_PeepEvents(pending, 64, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
        for (int i = 0; i < n; ++i) {
            if (message_of(pending[i], message)) return true;
        }
        return false;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (message_of(event, message)) return true;
    }
    return false;
}

PlatformHandle set_cursor(PlatformHandle cursor) {
    const bool shown = SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE;
    SDL_ShowCursor(cursor == nullptr ? SDL_DISABLE : SDL_ENABLE);
    return shown ? SDL_GetCursor() : nullptr;
}

bool screen_saver_enabled() { return SDL_IsScreenSaverEnabled() == SDL_TRUE; }

void enable_screen_saver(bool enabled) {
    if (enabled) {
        SDL_EnableScreenSaver();
    } else {
        SDL_DisableScreenSaver();
    }
}

const EmulatedWindowHooks hooks = {
    .create_window = create_window,
    .destroy_window = destroy_window,
    .next_message = next_message,
    .set_cursor = set_cursor,
    .screen_saver_enabled = screen_saver_enabled,
    .enable_screen_saver = enable_screen_saver,
};

}  // namespace

SDL_Window* sdl_window = nullptr;

const EmulatedWindowHooks* emulated_window_hooks = &hooks;
