// Keyboard operations of the platform layer: the state of every key and the
// character a key gives for a keyboard state.
//
// The table in use is `platform_keyboard`, defined by the display backend
// library and pointing at `platform_native_keyboard` (USER32's) or at the
// emulated display's; tests point it at a scripted fake. (The console's own
// key reading keeps to the console table: it has to work without a display.)
#pragma once

#include <cstdint>

// Bits of a key-state byte.
constexpr uint8_t kKeyDown = 0x80;  // high bit of a key-state byte: the key is down
constexpr uint8_t kKeyToggled = 0x01;  // low bit: Caps Lock / Num Lock is on

struct PlatformKeyboard {
    // GetKeyboardState: fills 256 bytes, one per virtual key; nonzero on
    // success.
    int32_t (*get_keyboard_state)(uint8_t state[256]);
    // ToAscii: the character(s) the key gives for the keyboard state, written
    // into `result`. Returns 0 (no character), 1 (one character), 2 (two
    // characters) or a negative number (a dead key).
    int32_t (*to_ascii)(uint32_t virtual_key, uint32_t scan_code, const uint8_t state[256],
                        uint16_t* result, uint32_t flags);
};

extern const PlatformKeyboard* platform_keyboard;
extern const PlatformKeyboard platform_native_keyboard;
