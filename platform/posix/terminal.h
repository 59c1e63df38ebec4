// The terminal of standard input as the console backend leaves it.
#pragma once

// Puts back the settings the terminal had before the console backend first
// changed them, if it did; async-signal-safe, for handlers that end the
// process without running its exit procedures.
void terminal_give_back();
