#include "platform/posix/terminal_keys.h"

#include "platform/console.h"
#include "platform/us_layout.h"

namespace {

constexpr uint8_t kEsc = 0x1B;

TerminalKey make(uint8_t ch, uint16_t scan, uint16_t vk, uint32_t state) {
    return {ch, scan, vk, state};
}

// The key of one byte as typed without a prefix: the first key of the layout
// that gives it plain or with Shift, else with Ctrl (Ctrl + letter before the
// other keys that give the same control character).
TerminalKey byte_key(uint8_t b) {
    switch (b) {
        case 0x00: return make(0, 0x03, '2', kLeftCtrlPressed);  // Ctrl+@ (Ctrl+2)
        case 0x7F: return make(0x08, 0x0E, 0x08, 0);  // what terminals send for Backspace
        default: break;
    }
    for (int32_t i = 0; i < kUsLayoutSize; ++i) {
        const LayoutKey& k = kUsLayout[i];
        if (static_cast<uint8_t>(k.plain) == b) return make(b, k.scan_code, k.virtual_key, 0);
        if (static_cast<uint8_t>(k.shifted) == b) {
            return make(b, k.scan_code, k.virtual_key, kShiftPressed);
        }
    }
    for (int32_t i = 0; i < kUsLayoutSize; ++i) {
        const LayoutKey& k = kUsLayout[i];
        if (static_cast<uint8_t>(k.control) == b) {
            return make(b, k.scan_code, k.virtual_key, kLeftCtrlPressed);
        }
        if (static_cast<uint8_t>(k.control_shifted) == b) {
            return make(b, k.scan_code, k.virtual_key, kLeftCtrlPressed | kShiftPressed);
        }
    }
    return make(b, 0, 0, 0);  // a byte of another character set
}

// Modifier parameter of an xterm sequence: 1 + Shift 1, Alt 2, Ctrl 4, Meta 8.
uint32_t modifier_state(int parameter) {
    if (parameter < 2) return 0;
    const int bits = parameter - 1;
    uint32_t state = 0;
    if (bits & 1) state |= kShiftPressed;
    if (bits & (2 | 8)) state |= kLeftAltPressed;
    if (bits & 4) state |= kLeftCtrlPressed;
    return state;
}

struct GreyKey {
    uint8_t scan;
    uint8_t vk;
};
constexpr GreyKey kUp{0x48, 0x26}, kDown{0x50, 0x28}, kRight{0x4D, 0x27}, kLeft{0x4B, 0x25},
    kHome{0x47, 0x24}, kEnd{0x4F, 0x23}, kInsert{0x52, 0x2D}, kDelete{0x53, 0x2E},
    kPageUp{0x49, 0x21}, kPageDown{0x51, 0x22};

TerminalKey grey(GreyKey k, uint32_t state) { return make(0, k.scan, k.vk, state | kEnhancedKey); }

// F1 to F12.
TerminalKey function_key(int n, uint32_t state) {
    const uint16_t scan = n <= 10 ? static_cast<uint16_t>(0x3A + n) : static_cast<uint16_t>(0x56 + n - 10);
    return make(0, scan, static_cast<uint16_t>(0x6F + n), state);
}

// Final letters shared by CSI and SS3 sequences.
bool letter_key(uint8_t final, uint32_t state, TerminalKey* key) {
    switch (final) {
        case 'A': *key = grey(kUp, state); return true;
        case 'B': *key = grey(kDown, state); return true;
        case 'C': *key = grey(kRight, state); return true;
        case 'D': *key = grey(kLeft, state); return true;
        case 'H': *key = grey(kHome, state); return true;
        case 'F': *key = grey(kEnd, state); return true;
        case 'P': *key = function_key(1, state); return true;
        case 'Q': *key = function_key(2, state); return true;
        case 'R': *key = function_key(3, state); return true;
        case 'S': *key = function_key(4, state); return true;
        default: return false;
    }
}

// CSI n ~ keys.
bool tilde_key(int n, uint32_t state, TerminalKey* key) {
    switch (n) {
        case 1: case 7: *key = grey(kHome, state); return true;
        case 2: *key = grey(kInsert, state); return true;
        case 3: *key = grey(kDelete, state); return true;
        case 4: case 8: *key = grey(kEnd, state); return true;
        case 5: *key = grey(kPageUp, state); return true;
        case 6: *key = grey(kPageDown, state); return true;
        case 11: case 12: case 13: case 14: case 15: *key = function_key(n - 10, state); return true;
        case 17: case 18: case 19: case 20: case 21: *key = function_key(n - 11, state); return true;
        case 23: case 24: *key = function_key(n - 12, state); return true;
        default: return false;
    }
}

// Keypad keys in application mode (SS3 M, j to y).
bool keypad_key(uint8_t final, uint32_t state, TerminalKey* key) {
    static constexpr uint8_t kDigitScan[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
    if (final >= 'p' && final <= 'y') {
        const int digit = final - 'p';
        *key = make(static_cast<uint8_t>('0' + digit), kDigitScan[digit], static_cast<uint16_t>(0x60 + digit), state);
        return true;
    }
    switch (final) {
        case 'M': *key = make(0x0D, 0x1C, 0x0D, state | kEnhancedKey); return true;
        case 'j': *key = make('*', 0x37, 0x6A, state); return true;
        case 'k': *key = make('+', 0x4E, 0x6B, state); return true;
        case 'm': *key = make('-', 0x4A, 0x6D, state); return true;
        case 'n': *key = make('.', 0x53, 0x6E, state); return true;
        case 'o': *key = make('/', 0x35, 0x6F, state | kEnhancedKey); return true;
        default: return false;
    }
}

// Up to two numeric parameters of a sequence; absent ones stay 1.
void read_parameters(const uint8_t* p, size_t n, int* first, int* second) {
    int values[2] = {1, 1};
    int index = 0;
    int value = -1;
    for (size_t i = 0; i < n; ++i) {
        if (p[i] >= '0' && p[i] <= '9') {
            value = (value < 0 ? 0 : value) * 10 + (p[i] - '0');
            if (value > 9999) value = 9999;
        } else {
            if (index < 2 && value >= 0) values[index] = value;
            ++index;
            value = -1;
        }
    }
    if (index < 2 && value >= 0) values[index] = value;
    *first = values[0];
    *second = values[1];
}

// ESC [ ...: returns bytes taken, 0 when incomplete.
size_t decode_csi(const uint8_t* bytes, size_t length, bool more, TerminalKey* key, bool* has_key) {
    // Linux console function keys: ESC [ [ A to E.
    if (length >= 3 && bytes[2] == '[') {
        if (length < 4) return more ? 0 : 3;
        if (bytes[3] >= 'A' && bytes[3] <= 'E') {
            *key = function_key(bytes[3] - 'A' + 1, 0);
            *has_key = true;
            return 4;
        }
        return 3;  // broken: dropped, and the byte after it starts a key of its own
    }
    size_t i = 2;
    while (i < length && i < kTerminalSequenceLimit && bytes[i] >= 0x20 && bytes[i] <= 0x3F) {
        ++i;  // parameters and intermediates
    }
    if (i >= kTerminalSequenceLimit) return i;  // overlong: dropped
    if (i >= length) return more ? 0 : i;      // cut short: dropped
    const uint8_t final = bytes[i];
    if (final < 0x40 || final > 0x7E) return i;  // broken by a control byte: dropped
    int first = 1;
    int second = 1;
    read_parameters(bytes + 2, i - 2, &first, &second);
    if (final == '~') {
        *has_key = tilde_key(first, modifier_state(second), key);
    } else if (final == 'Z') {
        *key = make(0x09, 0x0F, 0x09, kShiftPressed);
        *has_key = true;
    } else {
        *has_key = letter_key(final, modifier_state(second), key);
    }
    return i + 1;
}

// ESC O ...: returns bytes taken, 0 when incomplete.
size_t decode_ss3(const uint8_t* bytes, size_t length, bool more, TerminalKey* key, bool* has_key) {
    size_t i = 2;
    while (i < length && i < 4 && bytes[i] >= '0' && bytes[i] <= '9') ++i;  // modifier digit
    if (i >= length) return more ? 0 : i;
    uint32_t state = 0;
    if (i > 2) state = modifier_state(bytes[i - 1] - '0');
    if (letter_key(bytes[i], state, key) || keypad_key(bytes[i], state, key)) {
        *has_key = true;
        return i + 1;
    }
    // Not a sequence after all: Alt+O (Alt+Shift+o), the rest decodes anew.
    *key = byte_key('O');
    key->control_state |= kLeftAltPressed;
    *has_key = true;
    return 2;
}

}  // namespace

size_t terminal_decode_key(const uint8_t* bytes, size_t length, bool more_may_follow,
                           TerminalKey* key, bool* has_key) {
    *has_key = false;
    if (length == 0) return 0;
    if (bytes[0] != kEsc) {
        *key = byte_key(bytes[0]);
        *has_key = true;
        return 1;
    }
    if (length == 1) {
        if (more_may_follow) return 0;
        *key = byte_key(kEsc);
        *has_key = true;
        return 1;
    }
    const uint8_t second = bytes[1];
    if (second == '[' || second == 'O') {
        const size_t taken = second == '[' ? decode_csi(bytes, length, more_may_follow, key, has_key)
                                           : decode_ss3(bytes, length, more_may_follow, key, has_key);
        if (taken == 0) return 0;
        if (taken == 2 && !*has_key) {
            // ESC [ with nothing after it: Alt+[.
            *key = byte_key(second);
            key->control_state |= kLeftAltPressed;
            *has_key = true;
        }
        return taken;
    }
    if (second == kEsc) {
        // Two Escapes in a row stay two Escape keys.
        *key = byte_key(kEsc);
        *has_key = true;
        return 1;
    }
    // ESC prefix: the next byte's key with Alt.
    *key = byte_key(second);
    key->control_state |= kLeftAltPressed;
    *has_key = true;
    return 2;
}
