// Keyboard operations in the browser: the key state tracked from the key
// messages, and the US layout's characters.
#include <cstring>

#include "platform/keyboard.h"
#include "platform/us_layout.h"
#include "platform/web/backend.h"

namespace {

int32_t get_keyboard_state(uint8_t state[256]) {
    std::memcpy(state, web_backend.key_state, 256);
    return 1;
}

}  // namespace

const PlatformKeyboard platform_native_keyboard = {get_keyboard_state, us_layout_to_ascii};
