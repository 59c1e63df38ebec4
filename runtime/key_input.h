// Key input through replaceable procedure slots.
//
// Each operation reads its slot at every call: a procedure in the slot
// answers; an empty slot hands the call to the console key path.
#pragma once

#include <cstdint>

#include "runtime/strings.h"

struct KeyInputHooks {
    KeyString* (*inkey_hook)();
    int32_t (*getkey_hook)();
    int32_t (*keyhit_hook)();
    void (*sleep_hook)(int32_t ms);
};

extern KeyInputHooks key_input_hooks;

// Integer key codes: an ordinary key is its character code 0..255; a
// special key is its extended code * 256 + 255; -1 means no key.
constexpr int32_t kNoKey = -1;

// Non-blocking read of one key; the caller releases a temporary result.
KeyString* rt_inkey();
// Blocking read of one key code.
int32_t rt_getkey();
// Nonzero when a key is waiting.
int32_t rt_keyhit();
// Sleeps `ms` milliseconds; -1 sleeps until a key is pressed.
void rt_sleep(int32_t ms);
