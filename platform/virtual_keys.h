// Windows virtual-key codes used by key messages made by a backend and by
// character translation.
#pragma once

#include <cstdint>

namespace vk {
constexpr uint8_t kCancel = 0x03;
constexpr uint8_t kBack = 0x08;
constexpr uint8_t kTab = 0x09;
constexpr uint8_t kClear = 0x0C;
constexpr uint8_t kReturn = 0x0D;
constexpr uint8_t kShift = 0x10;
constexpr uint8_t kControl = 0x11;
constexpr uint8_t kMenu = 0x12;
constexpr uint8_t kPause = 0x13;
constexpr uint8_t kCapital = 0x14;
constexpr uint8_t kEscape = 0x1B;
constexpr uint8_t kSpace = 0x20;
constexpr uint8_t kPrior = 0x21;
constexpr uint8_t kNext = 0x22;
constexpr uint8_t kEnd = 0x23;
constexpr uint8_t kHome = 0x24;
constexpr uint8_t kLeft = 0x25;
constexpr uint8_t kUp = 0x26;
constexpr uint8_t kRight = 0x27;
constexpr uint8_t kDown = 0x28;
constexpr uint8_t kSnapshot = 0x2C;
constexpr uint8_t kInsert = 0x2D;
constexpr uint8_t kDelete = 0x2E;
constexpr uint8_t kLWin = 0x5B;
constexpr uint8_t kRWin = 0x5C;
constexpr uint8_t kApps = 0x5D;
constexpr uint8_t kNumpad0 = 0x60;
constexpr uint8_t kNumpad9 = 0x69;
constexpr uint8_t kMultiply = 0x6A;
constexpr uint8_t kAdd = 0x6B;
constexpr uint8_t kSubtract = 0x6D;
constexpr uint8_t kDecimal = 0x6E;
constexpr uint8_t kDivide = 0x6F;
constexpr uint8_t kF1 = 0x70;
constexpr uint8_t kF10 = 0x79;
constexpr uint8_t kNumLock = 0x90;
constexpr uint8_t kScroll = 0x91;
constexpr uint8_t kLShift = 0xA0;
constexpr uint8_t kRShift = 0xA1;
constexpr uint8_t kLControl = 0xA2;
constexpr uint8_t kRControl = 0xA3;
constexpr uint8_t kLMenu = 0xA4;
constexpr uint8_t kRMenu = 0xA5;
constexpr uint8_t kOem1 = 0xBA;       // ;:
constexpr uint8_t kOemPlus = 0xBB;    // =+
constexpr uint8_t kOemComma = 0xBC;   // ,<
constexpr uint8_t kOemMinus = 0xBD;   // -_
constexpr uint8_t kOemPeriod = 0xBE;  // .>
constexpr uint8_t kOem2 = 0xBF;       // /?
constexpr uint8_t kOem3 = 0xC0;       // `~
constexpr uint8_t kOem4 = 0xDB;       // [{
constexpr uint8_t kOem5 = 0xDC;       // \|
constexpr uint8_t kOem6 = 0xDD;       // ]}
constexpr uint8_t kOem7 = 0xDE;       // '"
constexpr uint8_t kOem102 = 0xE2;     // the extra key beside left Shift
}  // namespace vk
