#include "runtime/key_input.h"

#include "runtime/console_keys.h"

KeyInputHooks key_input_hooks = {nullptr, nullptr, nullptr, nullptr};

KeyString* rt_inkey() {
    if (key_input_hooks.inkey_hook != nullptr) return key_input_hooks.inkey_hook();
    return console_inkey();
}

int32_t rt_getkey() {
    if (key_input_hooks.getkey_hook != nullptr) return key_input_hooks.getkey_hook();
    return console_getkey();
}

int32_t rt_keyhit() {
    if (key_input_hooks.keyhit_hook != nullptr) return key_input_hooks.keyhit_hook();
    return console_keyhit();
}

void rt_sleep(int32_t ms) {
    if (key_input_hooks.sleep_hook != nullptr) {
        key_input_hooks.sleep_hook(ms);
        return;
    }
    console_sleep(ms);
}
