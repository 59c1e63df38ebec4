// Decoding of the bytes a terminal sends for key presses into key records of
// the content a Windows console gives (US keyboard layout).
#pragma once

#include <cstddef>
#include <cstdint>

struct TerminalKey {
    uint8_t character;
    uint16_t scan_code;
    uint16_t virtual_key;
    uint32_t control_state;
};

// Longest escape sequence that is waited for; longer ones are dropped.
constexpr size_t kTerminalSequenceLimit = 32;

// Decodes the key at the front of `bytes`. Returns the number of bytes it
// takes, at least 1, and sets `*has_key` when they make a key (an unknown
// escape sequence is taken without one). Returns 0, taking nothing, when the
// bytes may be the start of a longer sequence and `more_may_follow` is set;
// without it an incomplete sequence is decided at once (a lone ESC is the
// Escape key).
size_t terminal_decode_key(const uint8_t* bytes, size_t length, bool more_may_follow,
                           TerminalKey* key, bool* has_key);
