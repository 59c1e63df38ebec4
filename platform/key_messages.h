// The messages that emulated windows build from their system's events: key
// downs and ups with virtual keys and set-1 scan codes, and the pointer over
// the window.
#pragma once

#include <cstdint>

#include "platform/handle.h"
#include "platform/window_system.h"

// A physical key as a PC keyboard reports it.
struct PcKey {
    uint8_t virtual_key;  // 0: the key has no virtual key here
    uint8_t scan_code;    // set 1, without the E0 prefix
    bool extended;        // the scan code carries the E0 prefix
    // The Alt key itself (its key-downs are system keys)
    bool is_alt;
};

// lParam of a key message: repeat count 1, the scan code in bits 16-23, the
// extended flag in bit 24, Alt in bit 29 and the previous state in bit 30.
intptr_t key_message_lparam(const PcKey& key, bool alt_down, bool repeat);

// The message of `key` going down (or up) in `window`, with Alt and Control
// as held at the time; `repeat` marks an auto-repeated key-down. With Alt
// held and not Control, keys are system keys, as on Windows: they reach the
// default procedure only. A key-up always has its previous-state bit set.
PlatformMessage key_message(PlatformHandle window, const PcKey& key, bool down, bool repeat,
                            bool alt_held, bool control_held);

// WM_SETCURSOR for the pointer moving over `window`'s client area.
PlatformMessage pointer_message(PlatformHandle window);
