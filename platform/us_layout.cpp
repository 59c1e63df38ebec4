// Character translation of a US keyboard layout.
#include "platform/us_layout.h"

#include "platform/keyboard.h"
#include "platform/virtual_keys.h"

namespace {

struct PunctuationKey {
    uint8_t virtual_key;
    char plain;
    char shifted;
    // With Ctrl (and not Alt): a control character, or 0 for none.
    char control;
};

// The punctuation keys of the main block. Ctrl + Shift + 2 would give NUL,
// which no key code can carry, so it gives nothing here.
constexpr PunctuationKey kPunctuation[] = {
    {vk::kOemMinus, '-', '_', 0},  // Ctrl + Shift + '-' is handled below
    {vk::kOemPlus, '=', '+', 0},
    {vk::kOem4, '[', '{', 0x1B},
    {vk::kOem6, ']', '}', 0x1D},
    {vk::kOem5, '\\', '|', 0x1C},
    {vk::kOem102, '\\', '|', 0x1C},
    {vk::kOem1, ';', ':', 0},
    {vk::kOem7, '\'', '"', 0},
    {vk::kOem3, '`', '~', 0},
    {vk::kOemComma, ',', '<', 0},
    {vk::kOemPeriod, '.', '>', 0},
    {vk::kOem2, '/', '?', 0},
};

constexpr char kShiftedDigits[10] = {')', '!', '@', '#', '$', '%', '^', '&', '*', '('};

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
    const bool caps = toggled(state, vk::kCapital);
    const auto key = static_cast<uint8_t>(virtual_key);

    if (key >= 'A' && key <= 'Z') {
        if (control) return give(result, key - 'A' + 1);
        const bool upper = shift != caps;
        return give(result, upper ? key : key + ('a' - 'A'));
    }
    if (key >= '0' && key <= '9') {
        if (control) {
            // Ctrl + Shift + 6 is the record separator; other digits give
            // nothing.
            if (key == '6' && shift) return give(result, 0x1E);
            return 0;
        }
        return give(result, shift ? kShiftedDigits[key - '0'] : key);
    }
    if (key >= vk::kNumpad0 && key <= vk::kNumpad9) {
        if (control) return 0;
        return give(result, '0' + (key - vk::kNumpad0));
    }
    switch (key) {
        case vk::kBack: return give(result, control ? 0x7F : 0x08);
        case vk::kTab: return control ? 0 : give(result, 0x09);
        case vk::kReturn: return give(result, control ? 0x0A : 0x0D);
        case vk::kEscape: return give(result, 0x1B);
        case vk::kSpace: return give(result, ' ');
        case vk::kCancel: return give(result, 0x03);  // Ctrl + Break
        case vk::kMultiply: return control ? 0 : give(result, '*');
        case vk::kAdd: return control ? 0 : give(result, '+');
        case vk::kSubtract: return control ? 0 : give(result, '-');
        case vk::kDecimal: return control ? 0 : give(result, '.');
        case vk::kDivide: return control ? 0 : give(result, '/');
        default: break;
    }
    for (const PunctuationKey& p : kPunctuation) {
        if (p.virtual_key != key) continue;
        if (control) {
            // Ctrl + '-' gives nothing; Ctrl + Shift + '-' gives 0x1F.
            if (key == vk::kOemMinus) return shift ? give(result, 0x1F) : 0;
            return p.control != 0 ? give(result, p.control) : 0;
        }
        return give(result, shift ? p.shifted : p.plain);
    }
    return 0;
}
