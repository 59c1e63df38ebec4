// The browser backend's window hooks: the page's events become the window's
// messages with Windows numbers and parameters. The page posts key events as
// USB HID usages (turned into virtual keys and set-1 scan codes by the map
// the SDL backend uses too), activation when the page's visibility
// or focus changes, and pointer moves over the canvas.
#include <emscripten.h>

#include "platform/emulated_display.h"
#include "platform/hid_keys.h"
#include "platform/key_messages.h"
#include "platform/virtual_keys.h"

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

// The one window.
char window_token;

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

void enqueue(const PlatformMessage& message) {
    if (queue_count == kQueueSize) return;
    queue[(queue_first + queue_count) % kQueueSize] = message;
    ++queue_count;
}

// Events of the page reach the window only while there is one.
void post(const PlatformMessage& message) {
    if (emulated_display_window() != nullptr) enqueue(message);
}

PlatformMessage activation(bool active) {
    return PlatformMessage{&window_token, kMessageActivateApp, active ? 1u : 0u, 0};
}


PlatformHandle create_window(const char*, int32_t, int32_t, int32_t, int32_t) {
    queue_first = 0;
    queue_count = 0;
    // A page that is hidden or without the focus at the start is inactive
    // from the first frame on, as a window that never got the focus.
    if (web_page_active() == 0) enqueue(activation(false));
    return &window_token;
}

void destroy_window(PlatformHandle) {
    queue_count = 0;
    // The pointer belongs to the page again once the window is gone.
    pointer_hidden = false;
    web_hide_pointer(0);
}

bool next_message(PlatformMessage* message, bool remove) {
    if (queue_count == 0) return false;
    *message = queue[queue_first];
    if (remove) {
        queue_first = (queue_first + 1) % kQueueSize;
        --queue_count;
    }
    return true;
}

PlatformHandle set_cursor(PlatformHandle cursor) {
    static char arrow_token;
    const bool was_hidden = pointer_hidden;
    pointer_hidden = cursor == nullptr;
    web_hide_pointer(pointer_hidden ? 1 : 0);
    return was_hidden ? nullptr : &arrow_token;
}

// The page has no screen saver of ours to switch; the state reads as off.
bool screen_saver_enabled() { return false; }
void enable_screen_saver(bool) {}

const EmulatedWindowHooks hooks = {
    .create_window = create_window,
    .destroy_window = destroy_window,
    .next_message = next_message,
    .set_cursor = set_cursor,
    .screen_saver_enabled = screen_saver_enabled,
    .enable_screen_saver = enable_screen_saver,
};

}  // namespace

const EmulatedWindowHooks* emulated_window_hooks = &hooks;

extern "C" {

// A key went down or up: `usage` is its USB HID usage, `modifiers` the
// kMod* bits of the event, `repeat` nonzero for an auto-repeat.
EMSCRIPTEN_KEEPALIVE void web_key_event(int32_t usage, int32_t down, int32_t repeat,
                                        int32_t modifiers) {
    const bool num_lock = (modifiers & kModNumLock) != 0;
    const PcKey key = pc_key_for_usage(usage, num_lock);
    emulated_display_set_key(vk::kShift, (modifiers & kModShift) != 0);
    emulated_display_set_key(vk::kControl, (modifiers & kModControl) != 0);
    emulated_display_set_key(vk::kMenu, (modifiers & kModAlt) != 0);
    // Left and right modifiers follow their own keys.
    switch (usage) {
        case 224: emulated_display_set_key(vk::kLControl, down != 0); break;
        case 225: emulated_display_set_key(vk::kLShift, down != 0); break;
        case 226: emulated_display_set_key(vk::kLMenu, down != 0); break;
        case 228: emulated_display_set_key(vk::kRControl, down != 0); break;
        case 229: emulated_display_set_key(vk::kRShift, down != 0); break;
        case 230: emulated_display_set_key(vk::kRMenu, down != 0); break;
        default: break;
    }
    emulated_display_set_toggle(vk::kCapital, (modifiers & kModCapsLock) != 0);
    emulated_display_set_toggle(vk::kNumLock, num_lock);
    if (key.virtual_key == 0) return;
    emulated_display_set_key(key.virtual_key, down != 0);
    post(key_message(&window_token, key, down != 0, repeat != 0, (modifiers & kModAlt) != 0,
                     (modifiers & kModControl) != 0));
}

// The page became active (visible and focused) or inactive.
EMSCRIPTEN_KEEPALIVE void web_activation_event(int32_t active) {
    post(activation(active != 0));
    web_wake_sleeper();
}

// The pointer moved over the canvas. One such message waiting is enough: a
// long wait of an inactive page must not fill the queue with them and lose
// the activation that ends it.
EMSCRIPTEN_KEEPALIVE void web_pointer_event() {
    for (int32_t i = 0; i < queue_count; ++i) {
        if (queue[(queue_first + i) % kQueueSize].message == kMessageSetCursor) return;
    }
    post(pointer_message(&window_token));
}

}  // extern "C"
