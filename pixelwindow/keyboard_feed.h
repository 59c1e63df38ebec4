// The window's keyboard feed: key-down messages become key codes in a small
// ring, read through the runtime's key-input hooks while the window is open.
//
// Key codes: 0 none; 1-255 a character; 257-276 a special key, 256 + its
// index in extended_key_chars.
#pragma once

#include <cstdint>

#include "runtime/strings.h"

constexpr int32_t kKeyRingSize = 16;
constexpr int32_t kEscapeCode = 27;

// Second character of the KeyString of special-key code 256 + i: the key's
// set-1 scan code. Index 0 belongs to no key.
extern const char extended_key_chars[21];

extern int32_t key_ring[kKeyRingSize];
extern int32_t key_ring_read;
extern int32_t key_ring_write;

// Turns one key-down message (virtual key, lParam) into at most one code.
void translate_key_down(uintptr_t virtual_key, intptr_t lparam);

// Appends a code; a full ring drops its oldest code.
void key_ring_put(int32_t code);
// The oldest code, removed; 0 when the ring is empty.
int32_t key_ring_get();

// The procedures installed into KeyInputHooks while the window is open.
KeyString* window_inkey();
int32_t window_getkey();
int32_t window_keyhit();
