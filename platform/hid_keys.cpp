// Physical keys as Windows virtual keys and set-1 scan codes.
#include "platform/hid_keys.h"

#include "platform/us_layout.h"
#include "platform/virtual_keys.h"

namespace {

// HID usages (keyboard page 7) that the map knows.
constexpr int32_t kUsageA = 4;
constexpr int32_t kUsageZ = 29;
constexpr int32_t kUsage1 = 30;
constexpr int32_t kUsage0 = 39;
constexpr int32_t kUsageF1 = 58;
constexpr int32_t kUsageF12 = 69;
constexpr int32_t kUsageKeypad1 = 89;
constexpr int32_t kUsageKeypad0 = 98;
constexpr int32_t kUsageKeypadPeriod = 99;

// Set-1 scan codes of F1 to F12.
constexpr uint8_t kFunctionScan[12] = {0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40,
                                       0x41, 0x42, 0x43, 0x44, 0x57, 0x58};

struct UsageKey {
    int32_t usage;
    PcKey key;
};

constexpr UsageKey kOtherKeys[] = {
    {40, {vk::kReturn, 0x1C, false, false}},
    {41, {vk::kEscape, 0x01, false, false}},
    {42, {vk::kBack, 0x0E, false, false}},
    {43, {vk::kTab, 0x0F, false, false}},
    {44, {vk::kSpace, 0x39, false, false}},
    {45, {vk::kOemMinus, 0x0C, false, false}},
    {46, {vk::kOemPlus, 0x0D, false, false}},
    {47, {vk::kOem4, 0x1A, false, false}},
    {48, {vk::kOem6, 0x1B, false, false}},
    {49, {vk::kOem5, 0x2B, false, false}},
    {50, {vk::kOem5, 0x2B, false, false}},  // the non-US '#' key sits at the same place
    {51, {vk::kOem1, 0x27, false, false}},
    {52, {vk::kOem7, 0x28, false, false}},
    {53, {vk::kOem3, 0x29, false, false}},
    {54, {vk::kOemComma, 0x33, false, false}},
    {55, {vk::kOemPeriod, 0x34, false, false}},
    {56, {vk::kOem2, 0x35, false, false}},
    {57, {vk::kCapital, 0x3A, false, false}},
    {70, {vk::kSnapshot, 0x37, true, false}},
    {71, {vk::kScroll, 0x46, false, false}},
    {72, {vk::kPause, 0x45, false, false}},
    {73, {vk::kInsert, 0x52, true, false}},
    {74, {vk::kHome, 0x47, true, false}},
    {75, {vk::kPrior, 0x49, true, false}},
    {76, {vk::kDelete, 0x53, true, false}},
    {77, {vk::kEnd, 0x4F, true, false}},
    {78, {vk::kNext, 0x51, true, false}},
    {79, {vk::kRight, 0x4D, true, false}},
    {80, {vk::kLeft, 0x4B, true, false}},
    {81, {vk::kDown, 0x50, true, false}},
    {82, {vk::kUp, 0x48, true, false}},
    {83, {vk::kNumLock, 0x45, true, false}},
    {84, {vk::kDivide, 0x35, true, false}},
    {85, {vk::kMultiply, 0x37, false, false}},
    {86, {vk::kSubtract, 0x4A, false, false}},
    {87, {vk::kAdd, 0x4E, false, false}},
    {88, {vk::kReturn, 0x1C, true, false}},
    {100, {vk::kOem102, 0x56, false, false}},
    {101, {vk::kApps, 0x5D, true, false}},
    {224, {vk::kControl, 0x1D, false, false}},
    {225, {vk::kShift, 0x2A, false, false}},
    {226, {vk::kMenu, 0x38, false, true}},
    {227, {vk::kLWin, 0x5B, true, false}},
    {228, {vk::kControl, 0x1D, true, false}},
    {229, {vk::kShift, 0x36, false, false}},
    {230, {vk::kMenu, 0x38, true, true}},
    {231, {vk::kRWin, 0x5C, true, false}},
};

// Keypad 1-9, 0 and '.': scan code, and the virtual key with Num Lock off.
struct KeypadKey {
    uint8_t scan_code;
    uint8_t navigation_key;
};
constexpr KeypadKey kKeypad[11] = {
    {0x4F, vk::kEnd},  {0x50, vk::kDown}, {0x51, vk::kNext},  {0x4B, vk::kLeft},
    {0x4C, vk::kClear}, {0x4D, vk::kRight}, {0x47, vk::kHome}, {0x48, vk::kUp},
    {0x49, vk::kPrior}, {0x52, vk::kInsert}, {0x53, vk::kDelete},
};

}  // namespace

PcKey pc_key_for_usage(int32_t usage, bool num_lock) {
    if (usage >= kUsageA && usage <= kUsageZ) {
        const auto letter = static_cast<uint8_t>('A' + (usage - kUsageA));
        return {letter, us_layout_key(letter)->scan_code, false, false};
    }
    if (usage >= kUsage1 && usage <= kUsage0) {
        const int32_t i = usage - kUsage1;  // 0 for '1' ... 9 for '0'
        const auto digit = static_cast<uint8_t>(i == 9 ? '0' : '1' + i);
        return {digit, us_layout_key(digit)->scan_code, false, false};
    }
    if (usage >= kUsageF1 && usage <= kUsageF12) {
        const int32_t i = usage - kUsageF1;
        return {static_cast<uint8_t>(vk::kF1 + i), kFunctionScan[i], false, false};
    }
    if (usage >= kUsageKeypad1 && usage <= kUsageKeypadPeriod) {
        const int32_t i = usage - kUsageKeypad1;
        const KeypadKey& k = kKeypad[i];
        if (!num_lock) return {k.navigation_key, k.scan_code, false, false};
        uint8_t numeric;
        if (usage == kUsageKeypadPeriod) {
            numeric = vk::kDecimal;
        } else if (usage == kUsageKeypad0) {
            numeric = vk::kNumpad0;
        } else {
            numeric = static_cast<uint8_t>(vk::kNumpad0 + 1 + i);
        }
        return {numeric, k.scan_code, false, false};
    }
    for (const UsageKey& entry : kOtherKeys) {
        if (entry.usage == usage) return entry.key;
    }
    return {0, 0, false, false};
}
