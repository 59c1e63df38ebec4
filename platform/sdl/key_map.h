// Physical keys (USB HID usages, as SDL numbers its scancodes) as Windows
// virtual keys and PC keyboard scan codes (set 1).
#pragma once

#include <cstdint>

struct PcKey {
    uint8_t virtual_key;  // 0: the key has no virtual key here
    uint8_t scan_code;    // set 1, without the E0 prefix
    bool extended;        // the scan code carries the E0 prefix
    // The Alt key itself (its key-downs are system keys)
    bool is_alt;
};

// The key for a HID usage. Keypad keys depend on Num Lock: with it on they
// are the numeric keypad, with it off the navigation keys.
PcKey pc_key_for_usage(int32_t usage, bool num_lock);

// lParam of a key message: repeat count 1, the scan code in bits 16-23, the
// extended flag in bit 24, Alt in bit 29 and the previous state in bit 30.
intptr_t key_message_lparam(const PcKey& key, bool alt_down, bool repeat);
