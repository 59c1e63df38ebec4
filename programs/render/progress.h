// Progress of a long render on standard error, shown only on a terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

struct Progress {
    std::FILE* out = nullptr;  // null: silent
    int64_t total = 0;
    int64_t done = 0;
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point last_shown;
    bool shown = false;
};

// Starts counting `total` frames; the line goes to `out` only when it is a
// terminal (pass stderr, or null for none), otherwise nothing is ever printed.
// It is cut to the terminal's width and redrawn over itself.
void progress_begin(Progress& progress, std::FILE* out, int64_t total);
// One more frame done; redraws the line at most a few times a second.
void progress_step(Progress& progress);
// Clears the line, so other output can be printed; the next step redraws it.
void progress_hide(Progress& progress);
// Clears the line, leaving the terminal as it was.
void progress_end(Progress& progress);
