// Console key input: the key path that serves the empty slots of
// KeyInputHooks. Console input records are drained without blocking,
// translated into integer key codes and kept in a 512-slot ring.
#pragma once

#include <cstdint>

#include "runtime/strings.h"

constexpr int32_t kConsoleQueueSlots = 512;
// Alt+F4, what a console close, logoff or shutdown event turns into.
constexpr int32_t kCloseKeyCode = 0x6BFF;

KeyString* console_inkey();
int32_t console_getkey();
int32_t console_keyhit();
void console_sleep(int32_t ms);

// The key code of a key record, or -1 (console_key_tables.cpp).
int32_t console_translate_key(uint8_t character, uint16_t scan_code, uint16_t virtual_key,
                              uint32_t control_state);

// The oldest key code, taken out of the queue when `remove` is nonzero; -1
// when there is none.
int32_t console_read_key(int32_t remove);

// 1 when a key was posted since the last call, else 0; clears the flag.
int32_t console_key_posted();

// Appends a key code, dropping the oldest when the queue is full.
void console_post_key(int32_t code);

// Hands one close key over to the main thread: safe to call from a signal
// handler or another thread. The next pump posts it.
void console_hand_over_close_key();

// Back to the state at process start (empty queue, no partial Alt entry,
// control handler not installed); for tests.
void console_keys_reset();
// 1 once the first pump has installed the control handler.
int32_t console_ctrl_installed();
// Keys waiting in the queue.
int32_t console_queued();
