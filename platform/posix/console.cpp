// Console backend for POSIX systems: the terminal of standard input.
#include <termios.h>
#include <unistd.h>

#include "platform/console.h"

namespace {

struct TerminalInput {
    int fd;
};

TerminalInput standard_input{STDIN_FILENO};
ConsoleCtrlHandler ctrl_handler = nullptr;

TerminalInput* terminal_of(void* handle) { return static_cast<TerminalInput*>(handle); }

void* std_input_handle() { return &standard_input; }

// The console mode bits as a terminal has them: processed input is signal
// generation, line input canonical mode, echo input echo.
int get_mode(void* handle, uint32_t* mode) {
    if (handle == nullptr) return 0;
    termios attributes;
    if (tcgetattr(terminal_of(handle)->fd, &attributes) != 0) return 0;
    uint32_t bits = 0;
    if (attributes.c_lflag & ISIG) bits |= kEnableProcessedInput;
    if (attributes.c_lflag & ICANON) bits |= kEnableLineInput;
    if (attributes.c_lflag & ECHO) bits |= kEnableEchoInput;
    *mode = bits;
    return 1;
}

int set_mode(void* handle, uint32_t mode) {
    if (handle == nullptr) return 0;
    const int fd = terminal_of(handle)->fd;
    termios attributes;
    if (tcgetattr(fd, &attributes) != 0) return 0;
    auto apply = [&](uint32_t bit, tcflag_t flag) {
        if (mode & bit) {
            attributes.c_lflag |= flag;
        } else {
            attributes.c_lflag &= ~flag;
        }
    };
    apply(kEnableProcessedInput, ISIG);
    apply(kEnableLineInput, ICANON);
    apply(kEnableEchoInput, ECHO);
    return tcsetattr(fd, TCSANOW, &attributes) == 0 ? 1 : 0;
}

int peek_input(void* handle, ConsoleInputRecord*, uint32_t, uint32_t* count) {
    if (handle == nullptr || !isatty(terminal_of(handle)->fd)) return 0;
    *count = 0;
    return 1;
}

int read_input(void* handle, ConsoleInputRecord*, uint32_t, uint32_t* count) {
    if (handle == nullptr || !isatty(terminal_of(handle)->fd)) return 0;
    *count = 0;
    return 1;
}

int set_ctrl_handler(ConsoleCtrlHandler handler, int add) {
    if (add) {
        ctrl_handler = handler;
    } else if (ctrl_handler == handler) {
        ctrl_handler = nullptr;
    }
    return 1;
}

// Unshifted characters of the virtual keys on a US keyboard.
uint32_t map_virtual_key(uint32_t vk, uint32_t map_type) {
    if (map_type != 2) return 0;
    if (vk >= 0x30 && vk <= 0x39) return vk;              // 0 to 9
    if (vk >= 0x41 && vk <= 0x5A) return vk;              // A to Z
    if (vk >= 0x60 && vk <= 0x69) return '0' + (vk - 0x60);  // keypad digits
    switch (vk) {
        case 0x08: return 0x08;  // Backspace
        case 0x09: return 0x09;  // Tab
        case 0x0D: return 0x0D;  // Return
        case 0x1B: return 0x1B;  // Escape
        case 0x20: return ' ';
        case 0x6A: return '*';
        case 0x6B: return '+';
        case 0x6D: return '-';
        case 0x6E: return '.';
        case 0x6F: return '/';
        case 0xBA: return ';';
        case 0xBB: return '=';
        case 0xBC: return ',';
        case 0xBD: return '-';
        case 0xBE: return '.';
        case 0xBF: return '/';
        case 0xC0: return '`';
        case 0xDB: return '[';
        case 0xDC: return '\\';
        case 0xDD: return ']';
        case 0xDE: return '\'';
        default: return 0;
    }
}

}  // namespace

const PlatformConsole platform_native_console = {
    std_input_handle, get_mode, set_mode, peek_input, read_input, set_ctrl_handler,
    map_virtual_key,
};
