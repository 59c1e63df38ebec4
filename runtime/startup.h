// Start-up and shutdown of the program, and the console control handler.
#pragma once

#include <cstdint>

// Keeps the arguments, sets the floating-point mode (64-bit significand,
// round to nearest) and turns on processed input on a console.
void rt_init(int32_t argc, char** argv);

// Runs the module constructor or destructor list, first to last.
void rt_run_ctors();
void rt_run_dtors();

// Runs the destructor list and ends the process with `code`, running the
// procedures registered for exit.
[[noreturn]] void rt_end(int32_t code);

// Close, logoff and shutdown events become the key Alt+F4 (1 = handled);
// every other event is left to the system (0). Safe on any thread and inside
// a signal handler.
int32_t console_ctrl_handler(uint32_t event);

// The console input handle taken by rt_init (null before it).
void* console_input_handle();

// The argument count kept by rt_init.
int32_t rt_argc();
