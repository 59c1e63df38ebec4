// The US keyboard layout.
#include "platform/us_layout.h"

#include "platform/keyboard.h"
#include "platform/virtual_keys.h"

namespace {

constexpr LayoutKey letter(char upper, uint8_t scan) {
    return {static_cast<uint8_t>(upper), scan, static_cast<char>(upper + ('a' - 'A')), upper,
            static_cast<char>(upper - 'A' + 1), static_cast<char>(upper - 'A' + 1)};
}

constexpr LayoutKey keypad(uint8_t virtual_key, uint8_t scan, char character) {
    return {virtual_key, scan, character, character, 0, 0};
}

}  // namespace

// Ctrl + 2 would give NUL, which no key code can carry, so it gives nothing
// here; Ctrl + Shift + 6 and Ctrl + Shift + '-' give the last two control
// characters.
const LayoutKey kUsLayout[] = {
    letter('A', 0x1E), letter('B', 0x30), letter('C', 0x2E), letter('D', 0x20),
    letter('E', 0x12), letter('F', 0x21), letter('G', 0x22), letter('H', 0x23),
    letter('I', 0x17), letter('J', 0x24), letter('K', 0x25), letter('L', 0x26),
    letter('M', 0x32), letter('N', 0x31), letter('O', 0x18), letter('P', 0x19),
    letter('Q', 0x10), letter('R', 0x13), letter('S', 0x1F), letter('T', 0x14),
    letter('U', 0x16), letter('V', 0x2F), letter('W', 0x11), letter('X', 0x2D),
    letter('Y', 0x15), letter('Z', 0x2C),
    {'0', 0x0B, '0', ')', 0, 0},
    {'1', 0x02, '1', '!', 0, 0},
    {'2', 0x03, '2', '@', 0, 0},
    {'3', 0x04, '3', '#', 0, 0},
    {'4', 0x05, '4', '$', 0, 0},
    {'5', 0x06, '5', '%', 0, 0},
    {'6', 0x07, '6', '^', 0, 0x1E},
    {'7', 0x08, '7', '&', 0, 0},
    {'8', 0x09, '8', '*', 0, 0},
    {'9', 0x0A, '9', '(', 0, 0},
    {vk::kOemMinus, 0x0C, '-', '_', 0, 0x1F},
    {vk::kOemPlus, 0x0D, '=', '+', 0, 0},
    {vk::kOem4, 0x1A, '[', '{', 0x1B, 0x1B},
    {vk::kOem6, 0x1B, ']', '}', 0x1D, 0x1D},
    {vk::kOem5, 0x2B, '\\', '|', 0x1C, 0x1C},
    {vk::kOem1, 0x27, ';', ':', 0, 0},
    {vk::kOem7, 0x28, '\'', '"', 0, 0},
    {vk::kOem3, 0x29, '`', '~', 0, 0},
    {vk::kOemComma, 0x33, ',', '<', 0, 0},
    {vk::kOemPeriod, 0x34, '.', '>', 0, 0},
    {vk::kOem2, 0x35, '/', '?', 0, 0},
    {vk::kSpace, 0x39, ' ', ' ', ' ', ' '},
    {vk::kBack, 0x0E, 0x08, 0x08, 0x7F, 0x7F},
    {vk::kTab, 0x0F, 0x09, 0x09, 0, 0},
    {vk::kReturn, 0x1C, 0x0D, 0x0D, 0x0A, 0x0A},
    {vk::kEscape, 0x01, 0x1B, 0x1B, 0x1B, 0x1B},
    {vk::kOem102, 0x56, '\\', '|', 0x1C, 0x1C},  // the extra key beside left Shift
    keypad(vk::kNumpad0, 0x52, '0'), keypad(vk::kNumpad0 + 1, 0x4F, '1'),
    keypad(vk::kNumpad0 + 2, 0x50, '2'), keypad(vk::kNumpad0 + 3, 0x51, '3'),
    keypad(vk::kNumpad0 + 4, 0x4B, '4'), keypad(vk::kNumpad0 + 5, 0x4C, '5'),
    keypad(vk::kNumpad0 + 6, 0x4D, '6'), keypad(vk::kNumpad0 + 7, 0x47, '7'),
    keypad(vk::kNumpad0 + 8, 0x48, '8'), keypad(vk::kNumpad0 + 9, 0x49, '9'),
    keypad(vk::kMultiply, 0x37, '*'), keypad(vk::kAdd, 0x4E, '+'),
    keypad(vk::kSubtract, 0x4A, '-'), keypad(vk::kDecimal, 0x53, '.'),
    keypad(vk::kDivide, 0x35, '/'),
};
const int32_t kUsLayoutSize = sizeof kUsLayout / sizeof kUsLayout[0];

const LayoutKey* us_layout_key(uint32_t virtual_key) {
    for (const LayoutKey& key : kUsLayout) {
        if (key.virtual_key == virtual_key) return &key;
    }
    return nullptr;
}

namespace {

bool down(const uint8_t state[256], uint8_t key) { return (state[key] & kKeyDown) != 0; }
bool toggled(const uint8_t state[256], uint8_t key) { return (state[key] & kKeyToggled) != 0; }

int32_t give(uint16_t* result, int32_t character) {
    *result = static_cast<uint16_t>(character & 0xFF);
    return 1;
}

}  // namespace

int32_t us_layout_to_ascii(uint32_t virtual_key, uint32_t, const uint8_t state[256],
                           uint16_t* result, uint32_t) {
    if (virtual_key > 0xFF) return 0;
    const bool shift = down(state, vk::kShift);
    const bool alt = down(state, vk::kMenu);
    const bool control = down(state, vk::kControl);
    // Ctrl + Alt is AltGr, which gives nothing on a US layout.
    if (control && alt) return 0;
    if (virtual_key == vk::kCancel) return give(result, 0x03);  // Ctrl + Break
    const LayoutKey* key = us_layout_key(virtual_key);
    if (key == nullptr) return 0;
    if (control) {
        const char character = shift ? key->control_shifted : key->control;
        return character != 0 ? give(result, character) : 0;
    }
    // Caps Lock turns the letters only.
    const bool is_letter = virtual_key >= 'A' && virtual_key <= 'Z';
    const bool upper = is_letter && toggled(state, vk::kCapital) ? !shift : shift;
    return give(result, upper ? key->shifted : key->plain);
}
