// Window and message operations in the browser: the page's events become the
// window's messages with Windows numbers and parameters. The page posts key
// events as USB HID usages (turned into virtual keys and set-1 scan codes by
// the map the SDL backend uses too), activation when the page's visibility
// or focus changes, and pointer moves over the canvas.
#include <emscripten.h>

#include "platform/sdl/key_map.h"
#include "platform/virtual_keys.h"
#include "platform/web/backend.h"
#include "platform/window_system.h"

EM_JS(void, web_hide_pointer, (int hidden), {
    if (Module.canvas) Module.canvas.style.cursor = hidden ? "none" : "";
});

// A sleep of the inactive page (clock.cpp) ends when the page becomes active.
EM_JS(void, web_wake_sleeper, (), {
    if (Module.wakeSleeper) Module.wakeSleeper();
});

EM_JS(int, web_page_active, (), {
    return document.visibilityState === 'visible' && document.hasFocus() ? 1 : 0;
});

namespace {

WebBackend& be = web_backend;

constexpr uintptr_t kHitClient = 1;            // HTCLIENT
constexpr uint32_t kMessageMouseMove = 0x200;  // WM_MOUSEMOVE
constexpr uint32_t kMessageKeyUp = 0x101;      // WM_KEYUP
constexpr uint32_t kMessageSysKeyUp = 0x105;   // WM_SYSKEYUP

// Modifier bits of a posted key event.
constexpr int32_t kModShift = 1;
constexpr int32_t kModControl = 2;
constexpr int32_t kModAlt = 4;
constexpr int32_t kModCapsLock = 8;
constexpr int32_t kModNumLock = 16;

// Posted messages wait here; when the queue is full the newest is dropped,
// as a full message queue drops input.
constexpr int32_t kQueueSize = 64;
PlatformMessage queue[kQueueSize];
int32_t queue_first = 0;
int32_t queue_count = 0;
bool pointer_hidden = false;

void post(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    if (!be.window_alive || queue_count == kQueueSize) return;
    queue[(queue_first + queue_count) % kQueueSize] =
        PlatformMessage{&web_window_token, message, wparam, lparam};
    ++queue_count;
}

void set_key(uint8_t key, bool down) {
    be.key_state[key] = static_cast<uint8_t>((be.key_state[key] & ~0x80) | (down ? 0x80 : 0));
}

uint16_t register_class(const PlatformWindowClass* window_class) {
    if (window_class == nullptr || window_class->window_proc == nullptr) return 0;
    be.window_proc = window_class->window_proc;
    return 1;
}

PlatformHandle create_window(uint32_t, const char*, const char*, uint32_t, int32_t, int32_t,
                             int32_t, int32_t, PlatformHandle, PlatformHandle, PlatformHandle,
                             void*) {
    if (be.window_alive) return nullptr;
    be.window_alive = true;
    queue_first = 0;
    queue_count = 0;
    // A page that is hidden or without the focus at the start is inactive
    // from the first frame on, as a window that never got the focus.
    if (web_page_active() == 0) post(kMessageActivateApp, 0, 0);
    return &web_window_token;
}

int32_t destroy_window(PlatformHandle window) {
    if (window != &web_window_token || !be.window_alive) return 0;
    be.window_alive = false;
    queue_count = 0;
    // The pointer belongs to the page again once the window is gone.
    pointer_hidden = false;
    web_hide_pointer(0);
    return 1;
}

int32_t peek_message(PlatformMessage* message, PlatformHandle, uint32_t, uint32_t, uint32_t remove) {
    if (queue_count == 0) return 0;
    *message = queue[queue_first];
    if ((remove & kPeekRemove) != 0) {
        queue_first = (queue_first + 1) % kQueueSize;
        --queue_count;
    }
    return 1;
}

int32_t translate_message(const PlatformMessage*) { return 0; }

intptr_t dispatch_message(const PlatformMessage* message) {
    if (be.window_proc == nullptr) return 0;
    return be.window_proc(message->window, message->message, message->wparam, message->lparam);
}

intptr_t default_window_proc(PlatformHandle, uint32_t, uintptr_t, intptr_t) { return 0; }

PlatformHandle set_cursor(PlatformHandle cursor) {
    static char arrow_token;
    const bool was_hidden = pointer_hidden;
    pointer_hidden = cursor == nullptr;
    web_hide_pointer(pointer_hidden ? 1 : 0);
    return was_hidden ? nullptr : &arrow_token;
}

// The page has no screen saver of ours to switch; the state reads as off.
int32_t system_parameters_info(uint32_t action, uint32_t, void* pv_param, uint32_t) {
    switch (action) {
        case kSpiGetScreenSaveActive:
            if (pv_param == nullptr) return 0;
            *static_cast<int32_t*>(pv_param) = 0;
            return 1;
        case kSpiSetScreenSaveActive:
            return 1;
        default:
            return 0;
    }
}

}  // namespace

extern "C" {

// A key went down or up: `usage` is its USB HID usage, `modifiers` the
// kMod* bits of the event, `repeat` nonzero for an auto-repeat.
EMSCRIPTEN_KEEPALIVE void web_key_event(int32_t usage, int32_t down, int32_t repeat,
                                        int32_t modifiers) {
    const bool num_lock = (modifiers & kModNumLock) != 0;
    const PcKey key = pc_key_for_usage(usage, num_lock);
    set_key(vk::kShift, (modifiers & kModShift) != 0);
    set_key(vk::kControl, (modifiers & kModControl) != 0);
    set_key(vk::kMenu, (modifiers & kModAlt) != 0);
    // Left and right modifiers follow their own keys.
    switch (usage) {
        case 224: set_key(vk::kLControl, down != 0); break;
        case 225: set_key(vk::kLShift, down != 0); break;
        case 226: set_key(vk::kLMenu, down != 0); break;
        case 228: set_key(vk::kRControl, down != 0); break;
        case 229: set_key(vk::kRShift, down != 0); break;
        case 230: set_key(vk::kRMenu, down != 0); break;
        default: break;
    }
    be.key_state[vk::kCapital] = static_cast<uint8_t>((be.key_state[vk::kCapital] & ~0x01) |
                                                      ((modifiers & kModCapsLock) ? 1 : 0));
    be.key_state[vk::kNumLock] =
        static_cast<uint8_t>((be.key_state[vk::kNumLock] & ~0x01) | (num_lock ? 1 : 0));
    if (key.virtual_key == 0) return;
    set_key(key.virtual_key, down != 0);
    // With Alt held (and not Ctrl) keys are system keys, as on Windows.
    const bool alt = (modifiers & kModAlt) != 0 && (modifiers & kModControl) == 0;
    const bool system = alt || key.is_alt;
    uint32_t message;
    if (down != 0) {
        message = system ? kMessageSysKeyDown : kMessageKeyDown;
    } else {
        message = system ? kMessageSysKeyUp : kMessageKeyUp;
    }
    intptr_t lparam = key_message_lparam(key, alt, down != 0 ? repeat != 0 : true);
    if (down == 0) lparam |= static_cast<intptr_t>(1u << 31);
    post(message, key.virtual_key, lparam);
}

// The page became active (visible and focused) or inactive.
EMSCRIPTEN_KEEPALIVE void web_activation_event(int32_t active) {
    post(kMessageActivateApp, active != 0 ? 1 : 0, 0);
    web_wake_sleeper();
}

// The pointer moved over the canvas. One such message waiting is enough: a
// long wait of an inactive page must not fill the queue with them and lose
// the activation that ends it.
EMSCRIPTEN_KEEPALIVE void web_pointer_event() {
    for (int32_t i = 0; i < queue_count; ++i) {
        if (queue[(queue_first + i) % kQueueSize].message == kMessageSetCursor) return;
    }
    post(kMessageSetCursor, reinterpret_cast<uintptr_t>(&web_window_token),
         static_cast<intptr_t>(kHitClient | (kMessageMouseMove << 16)));
}

}  // extern "C"

const PlatformWindowSystem platform_native_window_system = {
    register_class,    create_window,    destroy_window,      peek_message,
    translate_message, dispatch_message, default_window_proc, set_cursor,
    system_parameters_info,
};
