#include "runtime/console_keys.h"

#include <atomic>

#include "platform/clock.h"
#include "platform/console.h"
#include "runtime/key_input.h"
#include "runtime/startup.h"

namespace {

constexpr int32_t kSleepStep = 50;

struct ConsoleKeyQueue {
    int32_t slots[kConsoleQueueSlots];
    int32_t read;
    int32_t write;
    int32_t key_posted;
    int32_t alt_code;
};

ConsoleKeyQueue queue;
bool ctrl_installed = false;

// Close keys handed over by the control handler, posted by the next pump.
// Lock-free so that a signal handler or a system thread may add to it.
std::atomic<uint32_t> close_keys_pending{0};
static_assert(std::atomic<uint32_t>::is_always_lock_free);

void remove_ctrl_handler() { platform_console->set_ctrl_handler(console_ctrl_handler, 0); }

bool is_alt_only(uint32_t state) {
    return (state & (kRightAltPressed | kLeftAltPressed)) != 0 &&
           (state & (kRightCtrlPressed | kLeftCtrlPressed | kShiftPressed)) == 0;
}

bool is_keypad_digit(uint16_t vk) { return vk >= 0x60 && vk <= 0x69; }

// Completes an Alt + keypad entry with the composed character.
void post_alt_code() {
    if (queue.alt_code == 0) return;
    console_post_key(static_cast<int32_t>(static_cast<uint32_t>(queue.alt_code) % 256u));
    queue.alt_code = 0;
}

void handle_key(const ConsoleKeyRecord& key) {
    const bool alt_only = is_alt_only(key.control_state);
    if (!key.key_down) {
        if (!alt_only) post_alt_code();
        return;
    }
    if (key.repeat_count == 0) return;
    const int32_t code = console_translate_key(key.character, key.scan_code, key.virtual_key,
                                               key.control_state);
    if (is_keypad_digit(key.virtual_key) && alt_only) {
        // Wraps like the 32-bit register it models; only the value modulo
        // 256 is ever used.
        queue.alt_code = static_cast<int32_t>(static_cast<uint32_t>(queue.alt_code) * 10u +
                                              (key.virtual_key - 0x60u));
        if (code != -1) console_post_key(code);
    } else if (code != -1) {
        queue.alt_code = 0;
        console_post_key(code);
    } else if (!alt_only) {
        post_alt_code();
    }
}

// Drains the waiting console input records into the queue. The first call
// installs the console control handler and registers its removal at exit.
void console_pump_input() {
    if (!ctrl_installed) {
        ctrl_installed = true;
        platform_process->at_exit(remove_ctrl_handler);
        platform_console->set_ctrl_handler(console_ctrl_handler, 1);
    }
    for (uint32_t n = close_keys_pending.exchange(0); n > 0; --n) console_post_key(kCloseKeyCode);

    void* input = console_input_handle();
    for (;;) {
        ConsoleInputRecord record{};
        uint32_t count = 0;
        if (!platform_console->peek_input(input, &record, 1, &count) || count == 0) return;
        count = 0;
        if (!platform_console->read_input(input, &record, 1, &count) || count == 0) return;
        if (record.event_type == kConsoleKeyEvent) handle_key(record.key);
    }
}

}  // namespace

int32_t console_read_key(int32_t remove) {
    console_pump_input();
    if (queue.read == queue.write) return -1;
    const int32_t code = queue.slots[queue.read];
    if (remove) {
        queue.read = (queue.read + 1) % kConsoleQueueSlots;
        console_key_posted();
    }
    return code;
}

int32_t console_key_posted() {
    console_pump_input();
    const int32_t posted = queue.key_posted;
    queue.key_posted = 0;
    return posted;
}

void console_post_key(int32_t code) {
    queue.slots[queue.write] = code;
    queue.write = (queue.write + 1) % kConsoleQueueSlots;
    if (queue.write == queue.read) queue.read = (queue.read + 1) % kConsoleQueueSlots;
    queue.key_posted = 1;
}

void console_hand_over_close_key() { close_keys_pending.fetch_add(1); }

KeyString* console_inkey() {
    const int32_t k = console_read_key(1);
    if (k == -1) return &rt_empty_string;
    const bool special = k > 255;
    StringDescriptor* desc = rt_temp_alloc(special ? 2 : 1);
    if (desc == nullptr) return &rt_empty_string;
    if (special) {
        desc->data[0] = static_cast<char>(255);
        desc->data[1] = static_cast<char>(static_cast<uint8_t>(k >> 8));
        desc->data[2] = '\0';
    } else {
        desc->data[0] = static_cast<char>(static_cast<uint8_t>(k));
        desc->data[1] = '\0';
    }
    return desc;
}

int32_t console_getkey() {
    for (;;) {
        const int32_t k = console_read_key(1);
        if (k != -1) return k;
        rt_sleep(-1);
    }
}

int32_t console_keyhit() { return console_read_key(0) != -1 ? 1 : 0; }

void console_sleep(int32_t ms) {
    if (ms == -1) {
        while (!console_key_posted()) platform_clock->sleep(kSleepStep);
        return;
    }
    if (ms >= 100) {
        while (ms > kSleepStep) {
            if (console_key_posted()) return;
            platform_clock->sleep(kSleepStep);
            ms -= kSleepStep;
        }
        platform_clock->sleep(static_cast<uint32_t>(ms));
        return;
    }
    if (ms >= 1) platform_clock->sleep(static_cast<uint32_t>(ms));
}

void console_keys_reset() {
    queue.read = 0;
    queue.write = 0;
    queue.key_posted = 0;
    queue.alt_code = 0;
    ctrl_installed = false;
    close_keys_pending.store(0);
}

int32_t console_ctrl_installed() { return ctrl_installed ? 1 : 0; }

int32_t console_queued() {
    return (queue.write - queue.read + kConsoleQueueSlots) % kConsoleQueueSlots;
}
