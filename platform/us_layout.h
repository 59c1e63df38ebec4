// Character translation of a US keyboard layout in the manner of ToAscii: the
// byte a virtual key gives for a 256-byte keyboard state (high bit: key down;
// low bit of Caps Lock and Num Lock: toggled on).
#pragma once

#include <cstdint>

// Returns 1 and writes the character into *result, or returns 0 when the key
// gives no character for that state. `scan_code` and `flags` are accepted as
// ToAscii takes them; the US layout needs neither.
int32_t us_layout_to_ascii(uint32_t virtual_key, uint32_t scan_code, const uint8_t state[256],
                           uint16_t* result, uint32_t flags);
