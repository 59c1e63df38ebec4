// Window and message operations on SDL: SDL's events become the window's
// messages with Windows numbers and parameters; key events carry virtual-key
// codes and set-1 scan codes.
#include "platform/sdl/backend.h"
#include "platform/sdl/key_map.h"
#include "platform/virtual_keys.h"
#include "platform/window_system.h"

namespace {

SdlBackend& be = sdl_backend;

constexpr uintptr_t kHitClient = 1;            // HTCLIENT
constexpr uint32_t kMessageMouseMove = 0x200;  // WM_MOUSEMOVE
constexpr uint32_t kMessageKeyUp = 0x101;      // WM_KEYUP
constexpr uint32_t kMessageSysKeyUp = 0x105;   // WM_SYSKEYUP

uint16_t register_class(const PlatformWindowClass* window_class) {
    if (window_class == nullptr || window_class->window_proc == nullptr) return 0;
    be.window_proc = window_class->window_proc;
    return 1;
}

PlatformHandle create_window(uint32_t, const char*, const char* window_name, uint32_t, int32_t x,
                             int32_t y, int32_t width, int32_t height, PlatformHandle,
                             PlatformHandle, PlatformHandle, void*) {
    if (!be.video_up || be.window != nullptr) return nullptr;
    // SDL has no windows of size 0; the window is hidden until the display
    // mode takes the screen.
    be.window = SDL_CreateWindow(window_name, x, y, width > 0 ? width : 1, height > 0 ? height : 1,
                                 SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS);
    return be.window;
}

int32_t destroy_window(PlatformHandle window) {
    if (window == nullptr || window != be.window) return 0;
    SDL_DestroyWindow(be.window);
    be.window = nullptr;
    return 1;
}

void note_modifiers(uint16_t mod) {
    auto set = [](uint8_t key, bool down) {
        be.key_state[key] = static_cast<uint8_t>((be.key_state[key] & ~0x80) | (down ? 0x80 : 0));
    };
    set(vk::kLShift, (mod & KMOD_LSHIFT) != 0);
    set(vk::kRShift, (mod & KMOD_RSHIFT) != 0);
    set(vk::kShift, (mod & KMOD_SHIFT) != 0);
    set(vk::kLControl, (mod & KMOD_LCTRL) != 0);
    set(vk::kRControl, (mod & KMOD_RCTRL) != 0);
    set(vk::kControl, (mod & KMOD_CTRL) != 0);
    set(vk::kLMenu, (mod & KMOD_LALT) != 0);
    set(vk::kRMenu, (mod & KMOD_RALT) != 0);
    set(vk::kMenu, (mod & KMOD_ALT) != 0);
    be.key_state[vk::kCapital] =
        static_cast<uint8_t>((be.key_state[vk::kCapital] & ~0x01) | ((mod & KMOD_CAPS) ? 1 : 0));
    be.key_state[vk::kNumLock] =
        static_cast<uint8_t>((be.key_state[vk::kNumLock] & ~0x01) | ((mod & KMOD_NUM) ? 1 : 0));
}

// Turns one SDL event into a message; false when it has none.
bool message_of(const SDL_Event& event, PlatformMessage* message) {
    message->window = be.window;
    message->wparam = 0;
    message->lparam = 0;
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
                    message->message = kMessageSetCursor;
                    message->wparam = reinterpret_cast<uintptr_t>(be.window);
                    message->lparam = static_cast<intptr_t>(kHitClient | (kMessageMouseMove << 16));
                    return true;
                default:
                    return false;
            }
        case SDL_MOUSEMOTION:
            message->message = kMessageSetCursor;
            message->wparam = reinterpret_cast<uintptr_t>(be.window);
            message->lparam = static_cast<intptr_t>(kHitClient | (kMessageMouseMove << 16));
            return true;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const uint16_t mod = event.key.keysym.mod;
            const PcKey key =
                pc_key_for_usage(static_cast<int32_t>(event.key.keysym.scancode), (mod & KMOD_NUM) != 0);
            note_modifiers(mod);
            if (key.virtual_key == 0) return false;
            const bool down = event.type == SDL_KEYDOWN;
            be.key_state[key.virtual_key] =
                static_cast<uint8_t>((be.key_state[key.virtual_key] & ~0x80) | (down ? 0x80 : 0));
            // With Alt held (and not Ctrl) keys are system keys, as on
            // Windows; they reach the default procedure only.
            const bool alt = (mod & KMOD_ALT) != 0 && (mod & KMOD_CTRL) == 0;
            const bool system = alt || key.is_alt;
            if (down) {
                message->message = system ? kMessageSysKeyDown : kMessageKeyDown;
            } else {
                message->message = system ? kMessageSysKeyUp : kMessageKeyUp;
            }
            message->wparam = key.virtual_key;
            message->lparam = key_message_lparam(key, alt, down ? event.key.repeat != 0 : true);
            if (!down) message->lparam |= static_cast<intptr_t>(1u << 31);
            return true;
        }
        default:
            return false;
    }
}

int32_t peek_message(PlatformMessage* message, PlatformHandle, uint32_t, uint32_t, uint32_t remove) {
    if (!be.video_up) return 0;
    SDL_Event event;
    if (sdl_hangup_pending) {
        sdl_hangup_pending = 0;
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
    if ((remove & kPeekRemove) == 0) {
        // Look without taking: the first event that makes a message.
        SDL_PumpEvents();
        SDL_Event pending[64];
        const int n = SDL_PeepEvents(pending, 64, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
        for (int i = 0; i < n; ++i) {
            if (message_of(pending[i], message)) return 1;
        }
        return 0;
    }
    while (SDL_PollEvent(&event) != 0) {
        if (message_of(event, message)) return 1;
    }
    return 0;
}

int32_t translate_message(const PlatformMessage*) { return 0; }

intptr_t dispatch_message(const PlatformMessage* message) {
    if (be.window_proc == nullptr) return 0;
    return be.window_proc(message->window, message->message, message->wparam, message->lparam);
}

intptr_t default_window_proc(PlatformHandle, uint32_t, uintptr_t, intptr_t) { return 0; }

PlatformHandle set_cursor(PlatformHandle cursor) {
    const bool shown = SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE;
    SDL_ShowCursor(cursor == nullptr ? SDL_DISABLE : SDL_ENABLE);
    return shown ? SDL_GetCursor() : nullptr;
}

int32_t system_parameters_info(uint32_t action, uint32_t param, void* pv_param, uint32_t) {
    switch (action) {
        case kSpiGetScreenSaveActive:
            if (pv_param == nullptr) return 0;
            *static_cast<int32_t*>(pv_param) = SDL_IsScreenSaverEnabled() ? 1 : 0;
            return 1;
        case kSpiSetScreenSaveActive:
            if (param != 0) {
                SDL_EnableScreenSaver();
            } else {
                SDL_DisableScreenSaver();
            }
            return 1;
        default:
            return 0;
    }
}

}  // namespace

const PlatformWindowSystem platform_native_window_system = {
    register_class,    create_window,    destroy_window,      peek_message,
    translate_message, dispatch_message, default_window_proc, set_cursor,
    system_parameters_info,
};
