// Console operations of the platform layer.
//
// The console key path reads input records of the same content as Windows
// console key events. Each operation mirrors one console call that the
// runtime relies on; the table in use is `platform_console`, which points at
// the build's backend and which tests point at a scripted fake.
#pragma once

#include <cstdint>

// Record types, numbered as the Windows console numbers them.
constexpr uint16_t kConsoleKeyEvent = 0x0001;
constexpr uint16_t kConsoleMouseEvent = 0x0002;
constexpr uint16_t kConsoleBufferSizeEvent = 0x0004;
constexpr uint16_t kConsoleMenuEvent = 0x0008;
constexpr uint16_t kConsoleFocusEvent = 0x0010;

// Control-key state bits of a key record.
constexpr uint32_t kRightAltPressed = 0x0001;
constexpr uint32_t kLeftAltPressed = 0x0002;
constexpr uint32_t kRightCtrlPressed = 0x0004;
constexpr uint32_t kLeftCtrlPressed = 0x0008;
constexpr uint32_t kShiftPressed = 0x0010;
constexpr uint32_t kEnhancedKey = 0x0100;

// Console input mode bits.
constexpr uint32_t kEnableProcessedInput = 0x0001;
constexpr uint32_t kEnableLineInput = 0x0002;
constexpr uint32_t kEnableEchoInput = 0x0004;

// Console control events.
constexpr uint32_t kCtrlCEvent = 0;
constexpr uint32_t kCtrlBreakEvent = 1;
constexpr uint32_t kCtrlCloseEvent = 2;
constexpr uint32_t kCtrlLogoffEvent = 5;
constexpr uint32_t kCtrlShutdownEvent = 6;

struct ConsoleKeyRecord {
    int32_t key_down;        // nonzero for a key press, 0 for a release
    uint16_t repeat_count;
    uint16_t virtual_key;
    uint16_t scan_code;
    uint8_t character;       // the character byte in the console's code page
    uint32_t control_state;  // kRightAltPressed ... kEnhancedKey
};

struct ConsoleInputRecord {
    uint16_t event_type;  // kConsoleKeyEvent, or another record type
    ConsoleKeyRecord key;  // meaningful for key events only
};

// Handler of console control events: returns 1 when it took the event, 0 to
// leave it to the system's default handling.
using ConsoleCtrlHandler = int32_t (*)(uint32_t event);

// A handler may be called on a thread of the system's (Windows) or from a
// signal handler (POSIX); it must do nothing but async-signal-safe,
// lock-free work.
struct PlatformConsole {
    // The process's standard input, or null when it has none.
    void* (*std_input_handle)();
    // Reads the console input mode; 0 when the handle is not a console.
    int (*get_mode)(void* handle, uint32_t* mode);
    // Sets the console input mode; 0 on failure.
    int (*set_mode)(void* handle, uint32_t mode);
    // Copies up to `length` waiting records without removing them and
    // stores their number in `count`; never waits. 0 on failure, which
    // includes input that is not a console.
    int (*peek_input)(void* handle, ConsoleInputRecord* records, uint32_t length,
                      uint32_t* count);
    // Removes up to `length` records, storing them and their number.
    int (*read_input)(void* handle, ConsoleInputRecord* records, uint32_t length,
                      uint32_t* count);
    // Adds (`add` nonzero) or removes a control handler; 0 on failure.
    int (*set_ctrl_handler)(ConsoleCtrlHandler handler, int add);
    // The unshifted character of a virtual key (MapVirtualKeyA with map
    // type 2, MAPVK_VK_TO_CHAR), for the keyboard layout in use.
    uint32_t (*map_virtual_key)(uint32_t code, uint32_t map_type);
};

extern const PlatformConsole* platform_console;

// The build's own backend, for tests that put it back.
extern const PlatformConsole platform_native_console;
