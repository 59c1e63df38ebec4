// Physical keys (HID usages) as virtual keys and set-1 scan
// codes, and the US layout's characters.
#include <gtest/gtest.h>

#include "pixelwindow/keyboard_feed.h"
#include "platform/keyboard.h"
#include "platform/hid_keys.h"
#include "platform/us_layout.h"
#include "platform/virtual_keys.h"

namespace {

// HID usages of a few keys.
constexpr int32_t kA = 4, kQ = 20, kZ = 29, k1 = 30, k0 = 39, kReturnUsage = 40, kEscapeUsage = 41;
constexpr int32_t kF1Usage = 58, kF10Usage = 67, kF12Usage = 69;
constexpr int32_t kKeypad1 = 89, kKeypad5 = 93, kKeypad0 = 98, kKeypadPeriod = 99;

TEST(HidKeys, KeysGiveTheirVirtualKeyAndSet1ScanCode) {
    const struct {
        int32_t usage;
        uint8_t vk;
        uint8_t scan;
        bool extended;
    } keys[] = {
        {kA, 'A', 0x1E, false},          {kQ, 'Q', 0x10, false},
        {kZ, 'Z', 0x2C, false},          {k1, '1', 0x02, false},
        {k0, '0', 0x0B, false},          {kReturnUsage, vk::kReturn, 0x1C, false},
        {kEscapeUsage, vk::kEscape, 0x01, false}, {kF1Usage, 0x70, 0x3B, false},
        {kF10Usage, 0x79, 0x44, false},  {kF12Usage, 0x7B, 0x58, false},
        {88, vk::kReturn, 0x1C, true},   {225, vk::kShift, 0x2A, false},
        {229, vk::kShift, 0x36, false},  {228, vk::kControl, 0x1D, true},
    };
    for (const auto& k : keys) {
        const PcKey key = pc_key_for_usage(k.usage, true);
        EXPECT_EQ(key.virtual_key, k.vk) << k.usage;
        EXPECT_EQ(key.scan_code, k.scan) << k.usage;
        EXPECT_EQ(key.extended, k.extended) << k.usage;
    }
    EXPECT_EQ(pc_key_for_usage(0, true).virtual_key, 0);
    EXPECT_EQ(pc_key_for_usage(104, true).virtual_key, 0) << "F13 has no key here";
}

TEST(HidKeys, SpecialKeysScanCodesAreTheSecondCharactersOfTheirKeyStrings) {
    // The arrows, Insert ... Page Down and F1 to F10: the scan code the
    // backend reports is the character the feed puts after 255.
    const int32_t usages[] = {82, 81, 80, 79, 73, 76, 74, 77, 75, 78,
                              58, 59, 60, 61, 62, 63, 64, 65, 66, 67};
    for (int32_t usage : usages) {
        const PcKey key = pc_key_for_usage(usage, false);
        key_ring_read = key_ring_write = 0;
        translate_key_down(key.virtual_key, key_message_lparam(key, false, false));
        const int32_t code = key_ring_get();
        ASSERT_GE(code, 257) << usage;
        EXPECT_EQ(static_cast<uint8_t>(extended_key_chars[code - 256]), key.scan_code) << usage;
    }
}

TEST(HidKeys, KeypadFollowsNumLock) {
    EXPECT_EQ(pc_key_for_usage(kKeypad1, true).virtual_key, 0x61);
    EXPECT_EQ(pc_key_for_usage(kKeypad0, true).virtual_key, 0x60);
    EXPECT_EQ(pc_key_for_usage(kKeypadPeriod, true).virtual_key, vk::kDecimal);
    EXPECT_EQ(pc_key_for_usage(kKeypad1, false).virtual_key, vk::kEnd);
    EXPECT_EQ(pc_key_for_usage(kKeypad5, false).virtual_key, vk::kClear);
    EXPECT_EQ(pc_key_for_usage(kKeypad0, false).virtual_key, vk::kInsert);
    EXPECT_FALSE(pc_key_for_usage(kKeypad1, false).extended) << "the keypad's End is not the grey End";
    EXPECT_EQ(pc_key_for_usage(kKeypad1, false).scan_code, 0x4F);
}

TEST(HidKeys, MessageParameterCarriesScanCodeExtendedAltAndRepeat) {
    const PcKey up = pc_key_for_usage(82, true);
    EXPECT_EQ(key_message_lparam(up, false, false), 0x01480001);
    EXPECT_EQ(key_message_lparam(up, true, true), 0x61480001);
}

struct KeyState {
    uint8_t bytes[256] = {};
    KeyState& down(uint8_t key) {
        bytes[key] |= kKeyDown;
        return *this;
    }
    KeyState& on(uint8_t key) {
        bytes[key] |= kKeyToggled;
        return *this;
    }
};

int32_t character(uint32_t key, const KeyState& state) {
    uint16_t result = 0xBEEF;
    const int32_t n = us_layout_to_ascii(key, 0, state.bytes, &result, 0);
    if (n == 0) {
        EXPECT_EQ(result, 0xBEEF) << "nothing written without a character";
        return -1;
    }
    EXPECT_EQ(n, 1);
    return result;
}

TEST(UsLayout, LettersFollowShiftCapsLockAndCtrl) {
    const KeyState none;
    EXPECT_EQ(character('Q', none), 'q');
    EXPECT_EQ(character('Q', KeyState().down(vk::kShift)), 'Q');
    EXPECT_EQ(character('Q', KeyState().on(vk::kCapital)), 'Q');
    EXPECT_EQ(character('Q', KeyState().on(vk::kCapital).down(vk::kShift)), 'q');
    EXPECT_EQ(character('A', KeyState().down(vk::kControl)), 1);
    EXPECT_EQ(character('Z', KeyState().down(vk::kControl).down(vk::kShift)), 26);
    EXPECT_EQ(character('A', KeyState().down(vk::kControl).down(vk::kMenu)), -1) << "AltGr";
    KeyState caps_held;
    caps_held.bytes[vk::kCapital] = kKeyDown;
    EXPECT_EQ(character('A', caps_held), 'a') << "Caps Lock held down but not on";
}

TEST(UsLayout, ControlKeysDigitsPunctuationAndKeypad) {
    const KeyState none;
    const KeyState shift = KeyState().down(vk::kShift);
    const KeyState control = KeyState().down(vk::kControl);
    EXPECT_EQ(character(vk::kEscape, none), 27);
    EXPECT_EQ(character(vk::kReturn, none), 13);
    EXPECT_EQ(character(vk::kReturn, control), 10);
    EXPECT_EQ(character(vk::kBack, none), 8);
    EXPECT_EQ(character(vk::kBack, control), 127);
    EXPECT_EQ(character(vk::kTab, shift), 9);
    EXPECT_EQ(character(vk::kSpace, none), ' ');
    EXPECT_EQ(character('1', none), '1');
    EXPECT_EQ(character('2', shift), '@');
    EXPECT_EQ(character('0', shift), ')');
    EXPECT_EQ(character('6', KeyState().down(vk::kControl).down(vk::kShift)), 0x1E);
    EXPECT_EQ(character('1', control), -1);
    EXPECT_EQ(character(vk::kOem4, control), 27);
    EXPECT_EQ(character(vk::kOemMinus, none), '-');
    EXPECT_EQ(character(vk::kOemMinus, shift), '_');
    EXPECT_EQ(character(vk::kOemMinus, control), -1);
    EXPECT_EQ(character(vk::kOem7, shift), '"');
    EXPECT_EQ(character(vk::kOem2, shift), '?');
    EXPECT_EQ(character(0x63, none), '3') << "keypad 3 with Num Lock";
    EXPECT_EQ(character(vk::kMultiply, none), '*');
    EXPECT_EQ(character(vk::kDecimal, none), '.');
    EXPECT_EQ(character(0x7A, none), -1) << "F11";
    EXPECT_EQ(character(vk::kShift, shift), -1);
    EXPECT_EQ(character(vk::kUp, none), -1);
}

}  // namespace
