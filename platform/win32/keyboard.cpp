// Keyboard operations on USER32: the key-state array and ToAscii.
#include <windows.h>

#include "platform/keyboard.h"

namespace {

int32_t get_keyboard_state(uint8_t state[256]) { return GetKeyboardState(state) ? 1 : 0; }

int32_t to_ascii(uint32_t virtual_key, uint32_t scan_code, const uint8_t state[256],
                 uint16_t* result, uint32_t flags) {
    WORD characters = 0;
    int written = ToAscii(virtual_key, scan_code, state, &characters, flags);
    *result = characters;
    return written;
}

}  // namespace

const PlatformKeyboard platform_native_keyboard = {
    .get_keyboard_state = get_keyboard_state,
    .to_ascii = to_ascii,
};
