// The US keyboard layout: for every key that gives a character, its Windows
// virtual key, its set-1 scan code and the characters it gives plain, with
// Shift, with Ctrl and with Ctrl + Shift. Every key translation of the
// platform layer reads this one table: the window's character translation
// (in the manner of ToAscii), the HID key map of the SDL and browser
// backends, the terminal decoder and the console's unshifted characters.
#pragma once

#include <cstdint>

struct LayoutKey {
    uint8_t virtual_key;
    uint8_t scan_code;  // set 1, without the E0 prefix
    char plain;
    char shifted;
    // With Ctrl (and not Alt): a control character, or 0 for none.
    char control;
    char control_shifted;
};

// Letters A to Z first, then the digits 0 to 9, the punctuation, the
// whitespace and editing keys, and the numeric keypad. Where two keys give
// the same character, the one a terminal's byte stands for comes first.
extern const LayoutKey kUsLayout[];
extern const int32_t kUsLayoutSize;

// The entry of a virtual key, or null when the key gives no character.
const LayoutKey* us_layout_key(uint32_t virtual_key);

// Character translation in the manner of ToAscii: the byte a virtual key
// gives for a 256-byte keyboard state (high bit: key down; low bit of Caps
// Lock and Num Lock: toggled on). Returns 1 and writes the character into
// *result, or returns 0 when the key gives no character for that state.
// `scan_code` and `flags` are accepted as ToAscii takes them; the US layout
// needs neither.
int32_t us_layout_to_ascii(uint32_t virtual_key, uint32_t scan_code, const uint8_t state[256],
                           uint16_t* result, uint32_t flags);
