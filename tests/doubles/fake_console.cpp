#include "tests/doubles/fake_console.h"

#include "runtime/console_keys.h"

FakeConsoleState fake_console;
FakeProcessState fake_process;

namespace {

int fake_token;  // what the fake standard input handle points at

void* std_input_handle() { return fake_console.handle; }

int get_mode(void*, uint32_t* mode) {
    if (fake_console.mode_fails) return 0;
    *mode = fake_console.mode;
    return 1;
}

int set_mode(void*, uint32_t mode) {
    ++fake_console.set_mode_calls;
    fake_console.mode = mode;
    return 1;
}

uint32_t take(ConsoleInputRecord* records, uint32_t length, bool remove) {
    uint32_t n = 0;
    size_t at = fake_console.next;
    while (n < length && at < fake_console.records.size()) records[n++] = fake_console.records[at++];
    if (remove) fake_console.next = at;
    return n;
}

int peek_input(void*, ConsoleInputRecord* records, uint32_t length, uint32_t* count) {
    ++fake_console.peeks;
    if (fake_console.input_fails) return 0;
    *count = take(records, length, false);
    return 1;
}

int read_input(void*, ConsoleInputRecord* records, uint32_t length, uint32_t* count) {
    if (fake_console.input_fails) return 0;
    *count = take(records, length, true);
    return 1;
}

int set_ctrl_handler(ConsoleCtrlHandler handler, int add) {
    if (add) {
        ++fake_console.handler_adds;
        fake_console.handler = handler;
    } else {
        ++fake_console.handler_removes;
        if (fake_console.handler == handler) fake_console.handler = nullptr;
    }
    return 1;
}

uint32_t map_virtual_key(uint32_t code, uint32_t map_type) {
    return platform_native_console.map_virtual_key(code, map_type);
}

const PlatformConsole fake_console_table = {
    .std_input_handle = std_input_handle,
    .get_mode = get_mode,
    .set_mode = set_mode,
    .peek_input = peek_input,
    .read_input = read_input,
    .set_ctrl_handler = set_ctrl_handler,
    .map_virtual_key = map_virtual_key,
};

void fake_sleep(uint32_t ms) {
    fake_process.sleeps.push_back(ms);
    if (fake_process.on_sleep) fake_process.on_sleep(ms);
}

void fake_set_fp_mode() {
    ++fake_process.fp_mode_calls;
    platform_native_process.set_fp_mode();
}

int fake_at_exit(void (*procedure)()) {
    fake_process.exit_procedures.push_back(procedure);
    return 0;
}

[[noreturn]] void fake_exit(int code) { throw FakeExit{code}; }

PlatformClock fake_clock_table;
const PlatformProcess fake_process_table = {
    .set_fp_mode = fake_set_fp_mode,
    .at_exit = fake_at_exit,
    .exit = fake_exit,
};

}  // namespace

void fake_tables_install() {
    fake_console = FakeConsoleState{};
    fake_console.handle = &fake_token;
    fake_process = FakeProcessState{};
    fake_clock_table = platform_native_clock;
    fake_clock_table.sleep = fake_sleep;
    platform_console = &fake_console_table;
    platform_clock = &fake_clock_table;
    platform_process = &fake_process_table;
    console_keys_reset();
}

void fake_tables_restore() {
    platform_console = &platform_native_console;
    platform_clock = &platform_native_clock;
    platform_process = &platform_native_process;
    console_keys_reset();
}

void fake_key(bool down, uint8_t character, uint16_t scan_code, uint16_t virtual_key,
              uint32_t state, uint16_t repeat) {
    ConsoleInputRecord record{};
    record.event_type = kConsoleKeyEvent;
    record.key = {down ? 1 : 0, repeat, virtual_key, scan_code, character, state};
    fake_console.records.push_back(record);
}

void fake_press(uint8_t character, uint16_t scan_code, uint16_t virtual_key, uint32_t state) {
    fake_key(true, character, scan_code, virtual_key, state);
    fake_key(false, character, scan_code, virtual_key, state);
}

void fake_other_record(uint16_t event_type) {
    ConsoleInputRecord record{};
    record.event_type = event_type;
    fake_console.records.push_back(record);
}
