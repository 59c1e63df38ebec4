// The console key path's translation tables. A cell above 255 carries an
// extended key code in its high byte.
#pragma once

#include <array>
#include <cstdint>

enum ConsoleKeyColumn { kColumnPlain = 0, kColumnShift = 1, kColumnCtrl = 2, kColumnAlt = 3 };

constexpr int32_t kScanKeyRows = 0x59;  // scan codes 0x00 to 0x58
constexpr int32_t kEnhancedKeyRows = 12;

struct EnhancedKeyRow {
    uint16_t scan_code;
    uint16_t cells[4];  // plain, Shift, Ctrl, Alt
};

// Per scan code: plain, Shift, Ctrl and Alt cells.
using ScanKeyRows = std::array<std::array<uint16_t, 4>, kScanKeyRows>;
extern const ScanKeyRows ScanKeyTable;
// The enhanced (grey) keys; a cell of 255 or less is a character code.
extern const EnhancedKeyRow EnhancedKeyTable[kEnhancedKeyRows];
