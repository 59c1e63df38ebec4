// Scripted console, clock and process tables for the runtime's console path.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/clock.h"
#include "platform/console.h"

struct FakeConsoleState {
    std::vector<ConsoleInputRecord> records;  // waiting input, oldest first
    size_t next = 0;
    bool input_fails = false;  // input that is not a console
    void* handle = nullptr;    // what std_input_handle gives
    bool mode_fails = false;
    uint32_t mode = 0;
    int set_mode_calls = 0;
    ConsoleCtrlHandler handler = nullptr;
    int handler_adds = 0;
    int handler_removes = 0;
    int peeks = 0;
};

struct FakeProcessState {
    std::vector<uint32_t> sleeps;
    std::function<void(uint32_t)> on_sleep;  // runs after each recorded sleep
    std::vector<void (*)()> exit_procedures;
    int fp_mode_calls = 0;
};

// Thrown by the fake exit so that a test survives rt_end.
struct FakeExit {
    int code;
};

extern FakeConsoleState fake_console;
extern FakeProcessState fake_process;

// Fresh fake state, the fakes installed and the console key path reset;
// fake_tables_restore puts the build's own tables back.
void fake_tables_install();
void fake_tables_restore();

// Appends one key record to the waiting input.
void fake_key(bool down, uint8_t character, uint16_t scan_code, uint16_t virtual_key,
              uint32_t state, uint16_t repeat = 1);
// Appends a key-down and a key-up record.
void fake_press(uint8_t character, uint16_t scan_code, uint16_t virtual_key, uint32_t state = 0);
// Appends a record of another type.
void fake_other_record(uint16_t event_type);
