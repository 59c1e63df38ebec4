// Key and pointer messages of emulated windows.
#include "platform/key_messages.h"

intptr_t key_message_lparam(const PcKey& key, bool alt_down, bool repeat) {
    uint32_t lparam = 1;
    lparam |= static_cast<uint32_t>(key.scan_code) << 16;
    if (key.extended) lparam |= 1u << 24;
    if (alt_down) lparam |= 1u << 29;
    if (repeat) lparam |= 1u << 30;
    return static_cast<intptr_t>(lparam);
}

PlatformMessage key_message(PlatformHandle window, const PcKey& key, bool down, bool repeat,
                            bool alt_held, bool control_held) {
    const bool alt = alt_held && !control_held;
    const bool system = alt || key.is_alt;
    PlatformMessage message{};
    message.window = window;
    if (down) {
        message.message = system ? kMessageSysKeyDown : kMessageKeyDown;
    } else {
        message.message = system ? kMessageSysKeyUp : kMessageKeyUp;
    }
    message.wparam = key.virtual_key;
    message.lparam = key_message_lparam(key, alt, down ? repeat : true);
    if (!down) message.lparam |= static_cast<intptr_t>(1u << 31);
    return message;
}

PlatformMessage pointer_message(PlatformHandle window) {
    return PlatformMessage{window, kMessageSetCursor, reinterpret_cast<uintptr_t>(window),
                           static_cast<intptr_t>(kHitClient | (kMessageMouseMove << 16))};
}
