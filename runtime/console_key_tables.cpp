#include "runtime/console_key_tables.h"

#include <cctype>

#include "platform/console.h"
#include "runtime/console_keys.h"

namespace {

constexpr uint16_t ext(int code) { return static_cast<uint16_t>(code << 8); }

constexpr ScanKeyRows build_scan_table() {
    ScanKeyRows t{};
    t[0x01][kColumnAlt] = ext(0x01);  // Esc
    for (int scan = 0x02; scan <= 0x0B; ++scan) {  // 1 to 9, 0
        t[scan][kColumnAlt] = ext(0x78 + (scan - 0x02));
    }
    t[0x03][kColumnCtrl] = ext(0x03);  // Ctrl+2
    t[0x0C][kColumnAlt] = ext(0x82);   // minus
    t[0x0D][kColumnAlt] = ext(0x83);   // equals
    t[0x0E][kColumnAlt] = ext(0xE0);   // Backspace
    t[0x0F] = {0, ext(0x0F), ext(0x94), ext(0x0F)};  // Tab
    // Letter and punctuation rows: Alt gives the scan code itself.
    for (int scan = 0x10; scan <= 0x1C; ++scan) t[scan][kColumnAlt] = ext(scan);
    for (int scan = 0x1E; scan <= 0x29; ++scan) t[scan][kColumnAlt] = ext(scan);
    for (int scan = 0x2C; scan <= 0x35; ++scan) t[scan][kColumnAlt] = ext(scan);
    for (int i = 0; i < 10; ++i) {  // F1 to F10
        t[0x3B + i] = {ext(0x3B + i), ext(0x54 + i), ext(0x5E + i), ext(0x68 + i)};
    }
    // Keypad with Num Lock off.
    t[0x47] = {ext(0x47), 0, ext(0x77), 0};         // 7 Home
    t[0x48] = {ext(0x48), 0, ext(0x8D), 0};         // 8 Up
    t[0x49] = {ext(0x49), 0, ext(0x84), 0};         // 9 PgUp
    t[0x4B] = {ext(0x4B), 0, ext(0x73), 0};         // 4 Left
    t[0x4C] = {ext(0x4C), 0, ext(0x8F), ext(0x4C)}; // 5
    t[0x4D] = {ext(0x4D), 0, ext(0x74), 0};         // 6 Right
    t[0x4F] = {ext(0x4F), 0, ext(0x75), 0};         // 1 End
    t[0x50] = {ext(0x50), 0, ext(0x91), 0};         // 2 Down
    t[0x51] = {ext(0x51), 0, ext(0x76), 0};         // 3 PgDn
    t[0x52] = {ext(0x52), 0, ext(0x92), 0};         // 0 Ins
    t[0x53] = {ext(0x53), 0, ext(0x93), 0};         // . Del
    t[0x57] = {ext(0x85), ext(0x87), ext(0x89), ext(0x8B)};  // F11
    t[0x58] = {ext(0x86), ext(0x88), ext(0x8A), ext(0x8C)};  // F12
    return t;
}

// Column of a control-key state: Alt before Ctrl before Shift.
int column_of(uint32_t state) {
    if (state & (kRightAltPressed | kLeftAltPressed)) return kColumnAlt;
    if (state & (kRightCtrlPressed | kLeftCtrlPressed)) return kColumnCtrl;
    if (state & kShiftPressed) return kColumnShift;
    return kColumnPlain;
}

int32_t extended(uint16_t cell) { return (cell & 0xFF00) + 0xFF; }

}  // namespace

const ScanKeyRows ScanKeyTable = build_scan_table();

const EnhancedKeyRow EnhancedKeyTable[kEnhancedKeyRows] = {
    {0x1C, {0x0D, 0x0D, 0x0A, ext(0xA6)}},            // keypad Enter
    {0x35, {0x2F, 0x3F, ext(0x95), ext(0xA4)}},       // keypad /
    {0x47, {ext(0x47), ext(0x47), ext(0x77), ext(0x97)}},  // Home
    {0x48, {ext(0x48), ext(0x48), ext(0x8D), ext(0x98)}},  // Up
    {0x49, {ext(0x49), ext(0x49), ext(0x84), ext(0x99)}},  // PgUp
    {0x4B, {ext(0x4B), ext(0x4B), ext(0x73), ext(0x9B)}},  // Left
    {0x4D, {ext(0x4D), ext(0x4D), ext(0x74), ext(0x9D)}},  // Right
    {0x4F, {ext(0x4F), ext(0x4F), ext(0x75), ext(0x9F)}},  // End
    {0x50, {ext(0x50), ext(0x50), ext(0x91), ext(0xA0)}},  // Down
    {0x51, {ext(0x51), ext(0x51), ext(0x76), ext(0xA1)}},  // PgDn
    {0x52, {ext(0x52), ext(0x52), ext(0x92), ext(0xA2)}},  // Insert
    {0x53, {ext(0x53), ext(0x53), ext(0x93), ext(0xA3)}},  // Delete
};

int32_t console_translate_key(uint8_t ch, uint16_t scan, uint16_t vk, uint32_t state) {
    const int column = column_of(state);
    if (ch == 0 && (state & kEnhancedKey) != 0) {
        for (const EnhancedKeyRow& row : EnhancedKeyTable) {
            if (row.scan_code != scan) continue;
            const uint16_t cell = row.cells[column];
            if (column != kColumnPlain && cell == 0) return -1;
            return cell > 255 ? extended(cell) : cell;
        }
        return -1;
    }
    if (scan <= 0x58) {
        const uint32_t base = platform_console->map_virtual_key(vk, 2) & 0xFFFFu;
        uint32_t other = base;
        if (base <= 255) {
            if (std::isupper(static_cast<int>(base))) {
                other = static_cast<uint32_t>(std::tolower(static_cast<int>(base)));
            } else if (std::islower(static_cast<int>(base))) {
                other = static_cast<uint32_t>(std::toupper(static_cast<int>(base)));
            }
        }
        uint32_t value;
        if (column != kColumnPlain) {
            value = ScanKeyTable[scan][column];
        } else {
            value = ch != 0 ? base : ScanKeyTable[scan][kColumnPlain];
        }
        if (value > 255 && (ch == base || ch == other)) return extended(static_cast<uint16_t>(value));
    }
    return ch != 0 ? ch : -1;
}
