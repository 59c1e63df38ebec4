// Console backend for Windows: the console input API.
#include <windows.h>

#include <atomic>

#include "platform/console.h"

namespace {

constexpr DWORD kRecordBatch = 16;

std::atomic<ConsoleCtrlHandler> ctrl_handler{nullptr};

// Called by the system on a thread of its own.
BOOL WINAPI on_ctrl_event(DWORD event) {
    ConsoleCtrlHandler handler = ctrl_handler.load();
    return handler != nullptr && handler(event) ? TRUE : FALSE;
}

// A Windows (GUI) program gets no console of its own: double-clicked, it
// opens none. Started from a command prompt, it borrows the prompt's, so the
// console key path reads that one's keys as a console program's would.
void* std_input_handle() {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if ((input == nullptr || input == INVALID_HANDLE_VALUE) && GetConsoleWindow() == nullptr &&
        AttachConsole(ATTACH_PARENT_PROCESS)) {
        input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (input == INVALID_HANDLE_VALUE) return nullptr;
        SetStdHandle(STD_INPUT_HANDLE, input);
    }
    return input;
}

int get_mode(void* handle, uint32_t* mode) {
    DWORD value = 0;
    if (!GetConsoleMode(static_cast<HANDLE>(handle), &value)) return 0;
    *mode = value;
    return 1;
}

int set_mode(void* handle, uint32_t mode) {
    return SetConsoleMode(static_cast<HANDLE>(handle), mode) ? 1 : 0;
}

void convert(const INPUT_RECORD& in, ConsoleInputRecord* out) {
    *out = ConsoleInputRecord{};
    out->event_type = in.EventType;
    if (in.EventType != KEY_EVENT) return;
    const KEY_EVENT_RECORD& key = in.Event.KeyEvent;
    out->key.key_down = key.bKeyDown ? 1 : 0;
    out->key.repeat_count = key.wRepeatCount;
    out->key.virtual_key = key.wVirtualKeyCode;
    out->key.scan_code = key.wVirtualScanCode;
    out->key.character = static_cast<uint8_t>(key.uChar.AsciiChar);
    out->key.control_state = key.dwControlKeyState;
}

using ConsoleInputCall = BOOL(WINAPI*)(HANDLE, PINPUT_RECORD, DWORD, LPDWORD);

int take_records(ConsoleInputCall call, void* handle, ConsoleInputRecord* records, uint32_t length,
                 uint32_t* count) {
    INPUT_RECORD batch[kRecordBatch];
    const DWORD wanted = length < kRecordBatch ? length : kRecordBatch;
    DWORD got = 0;
    if (!call(static_cast<HANDLE>(handle), batch, wanted, &got)) return 0;
    for (DWORD i = 0; i < got; ++i) convert(batch[i], &records[i]);
    *count = got;
    return 1;
}

int peek_input(void* handle, ConsoleInputRecord* records, uint32_t length, uint32_t* count) {
    return take_records(PeekConsoleInputA, handle, records, length, count);
}

int read_input(void* handle, ConsoleInputRecord* records, uint32_t length, uint32_t* count) {
    return take_records(ReadConsoleInputA, handle, records, length, count);
}

int set_ctrl_handler(ConsoleCtrlHandler handler, int add) {
    if (add) {
        ctrl_handler.store(handler);
        return SetConsoleCtrlHandler(on_ctrl_event, TRUE) ? 1 : 0;
    }
    ConsoleCtrlHandler expected = handler;
    ctrl_handler.compare_exchange_strong(expected, nullptr);
    return SetConsoleCtrlHandler(on_ctrl_event, FALSE) ? 1 : 0;
}

uint32_t map_virtual_key(uint32_t code, uint32_t map_type) { return MapVirtualKeyA(code, map_type); }

}  // namespace

const PlatformConsole platform_native_console = {
    .std_input_handle = std_input_handle,
    .get_mode = get_mode,
    .set_mode = set_mode,
    .peek_input = peek_input,
    .read_input = read_input,
    .set_ctrl_handler = set_ctrl_handler,
    .map_virtual_key = map_virtual_key,
};
