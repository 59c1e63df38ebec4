// Progress of a long render on standard error, shown only on a terminal.
#pragma once

#include <chrono>
#include <cstdio>

// Counts `total` frames; the line goes to `out` only when it is a terminal
// (pass stderr, or null for none), otherwise nothing is ever printed. It is
// cut to the terminal's width and redrawn over itself.
struct Progress {
    Progress(std::FILE* out, long long total);
    // One more frame done; redraws the line at most a few times a second.
    void step();
    // Clears the line, leaving the terminal as it was; the next step redraws it.
    void hide();

    std::FILE* out;  // null: silent
    long long total, done = 0;
    std::chrono::steady_clock::time_point start, last_shown;
    bool shown = false;
};
