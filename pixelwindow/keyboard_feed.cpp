// The window's keyboard feed: key-down translation, the key ring and the
// three key-input procedures.
#include "pixelwindow/keyboard_feed.h"

#include "pixelwindow/window.h"
#include "platform/keyboard.h"
#include "platform/virtual_keys.h"
#include "runtime/key_input.h"

const char extended_key_chars[21] = {'X', 'H', 'P', 'K', 'M', 'R', 'S', 'G', 'O', 'I', 'Q',
                                     ';', '<', '=', '>', '?', '@', 'A', 'B', 'C', 'D'};

int32_t key_ring[kKeyRingSize] = {};
int32_t key_ring_read = 0;
int32_t key_ring_write = 0;

namespace {

constexpr int32_t kFunctionKeyOffset = 155;  // F1 (0x70) + 155 = 267
constexpr int32_t kSpecialBase = 256;
constexpr int32_t kLastSpecialIndex = 20;
constexpr int32_t kWaitMs = 20;

// Codes of the navigation keys, by virtual key from Page Up (0x21) to
// Delete (0x2E); 0 where the virtual key is not one of them.
constexpr int32_t kNavigationCodes[vk::kDelete - vk::kPrior + 1] = {
    265,  // 0x21 Page Up
    266,  // 0x22 Page Down
    264,  // 0x23 End
    263,  // 0x24 Home
    259,  // 0x25 Left
    257,  // 0x26 Up
    260,  // 0x27 Right
    258,  // 0x28 Down
    0,    0, 0, 0,
    261,  // 0x2D Insert
    262,  // 0x2E Delete
};

}  // namespace

void translate_key_down(uintptr_t virtual_key, intptr_t lparam) {
    uint16_t cell = 0;
    if (virtual_key >= vk::kPrior && virtual_key <= vk::kDelete &&
        kNavigationCodes[virtual_key - vk::kPrior] != 0) {
        cell = static_cast<uint16_t>(kNavigationCodes[virtual_key - vk::kPrior]);
    } else if (virtual_key >= vk::kF1 && virtual_key <= vk::kF10) {
        cell = static_cast<uint16_t>(virtual_key + kFunctionKeyOffset);
    } else {
        uint8_t state[256] = {};
        platform_keyboard->get_keyboard_state(state);
        const uint32_t scan_code = static_cast<uint32_t>(lparam >> 16) & 0xFF;
        if (platform_keyboard->to_ascii(static_cast<uint32_t>(virtual_key), scan_code, state, &cell,
                                        0) != 1)
            cell = 0;
    }
    if (cell != 0) key_ring_put(cell);
}

void key_ring_put(int32_t code) {
    key_ring[key_ring_write] = code;
    const int32_t next = (key_ring_write + 1) & (kKeyRingSize - 1);
    if (next == key_ring_read) key_ring_read = (next + 1) & (kKeyRingSize - 1);
    key_ring_write = next;
}

int32_t key_ring_get() {
    if (key_ring_read == key_ring_write) return 0;
    const int32_t code = key_ring[key_ring_read];
    key_ring_read = (key_ring_read + 1) & (kKeyRingSize - 1);
    return code;
}

int32_t window_keyhit() { return key_ring_read != key_ring_write ? 1 : 0; }

int32_t window_getkey() {
    for (;;) {
        const int32_t code = key_ring_get();
        rt_sleep(kWaitMs);
        if (code != 0) return code;
        // The ring fills only while the window's messages are dispatched, so
        // a blocking read takes them itself between its waits.
        window_pump_messages();
    }
}

KeyString* window_inkey() {
    const int32_t code = key_ring_get();
    if (code == 0) return &rt_empty_string;
    if (code < kSpecialBase) return rt_chr(1, code);
    int32_t index = code - kSpecialBase;
    if (index > kLastSpecialIndex) index = kLastSpecialIndex;
    KeyString* text = rt_temp_alloc(2);
    if (text == nullptr) return &rt_empty_string;
    text->data[0] = static_cast<char>(0xFF);
    text->data[1] = extended_key_chars[index];
    text->data[2] = 0;
    return text;
}
