// Console backend in the browser: a page has no console, so there is no
// input handle and no key ever comes this way; keys reach the demo through
// the window's messages.
#include "platform/console.h"

namespace {

void* std_input_handle() { return nullptr; }
int get_mode(void*, uint32_t*) { return 0; }
int set_mode(void*, uint32_t) { return 0; }

int peek_input(void*, ConsoleInputRecord*, uint32_t, uint32_t* count) {
    *count = 0;
    return 0;
}

int read_input(void*, ConsoleInputRecord*, uint32_t, uint32_t* count) {
    *count = 0;
    return 0;
}

int set_ctrl_handler(ConsoleCtrlHandler, int) { return 1; }
uint32_t map_virtual_key(uint32_t, uint32_t) { return 0; }

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
