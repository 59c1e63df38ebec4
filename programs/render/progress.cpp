#include "programs/render/progress.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

// The terminal's width in columns, read at every redraw so that a resized
// window is followed; 80 when it cannot be read.
int terminal_columns(std::FILE* out) {
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO info;
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fileno(out)));
    if (GetConsoleScreenBufferInfo(handle, &info)) {
        const int columns = info.srWindow.Right - info.srWindow.Left + 1;
        if (columns > 0) return columns;
    }
#else
    struct winsize size {};
    if (ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#endif
    return 80;
}

// Back to the start of the line and clear it. The console of Windows takes
// no terminal codes: there the old line is overwritten with spaces, as many
// as fit without wrapping.
void clear_line(std::FILE* out) {
#ifdef _WIN32
    std::fprintf(out, "\r%*s\r", terminal_columns(out) - 1, "");
#else
    std::fputs("\r\x1b[K", out);
#endif
}

}  // namespace

Progress::Progress(std::FILE* stream, long long frames)
    : out(stream && isatty(fileno(stream)) ? stream : nullptr),
      total(frames),
      start(Clock::now()),
      last_shown(start) {}

void Progress::step() {
    ++done;
    if (!out) return;
    const Clock::time_point now = Clock::now();
    if (shown && now - last_shown < std::chrono::milliseconds(200) && done != total) return;
    last_shown = now;
    const double seconds = std::chrono::duration<double>(now - start).count();
    const double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    char text[96];
    if (rate <= 0.0) {
        std::snprintf(text, sizeof text, "frame %lld of %lld", done, total);
    } else {
        const auto left = static_cast<long long>(static_cast<double>(total - done) / rate + 0.5);
        std::snprintf(text, sizeof text, "frame %lld of %lld, %.1f frames/s, %lld:%02lld left",
                      done, total, rate, left / 60, left % 60);
    }
    // One column is left free: a character in the last one makes some
    // terminals wrap, and the next redraw would leave a line behind.
    const int fit = terminal_columns(out) - 1;
    clear_line(out);
    std::fprintf(out, "%.*s", fit > 0 ? fit : 0, text);
    std::fflush(out);
    shown = true;
}

void Progress::hide() {
    if (out && shown) {
        clear_line(out);
        std::fflush(out);
    }
    shown = false;
}
