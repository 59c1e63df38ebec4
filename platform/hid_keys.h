// Physical keys, numbered as USB HID usages (keyboard page 7: SDL's
// scancodes, and what the page makes of DOM key codes), as Windows virtual
// keys and PC keyboard scan codes (set 1).
#pragma once

#include <cstdint>

#include "platform/key_messages.h"

// The key for a HID usage. Keypad keys depend on Num Lock: with it on they
// are the numeric keypad, with it off the navigation keys.
PcKey pc_key_for_usage(int32_t usage, bool num_lock);
