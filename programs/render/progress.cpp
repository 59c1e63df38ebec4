#include "programs/render/progress.h"

#ifdef _WIN32
#include <io.h>
#define ombrith_isatty _isatty
#define ombrith_fileno _fileno
#else
#include <unistd.h>
#define ombrith_isatty isatty
#define ombrith_fileno fileno
#endif

namespace {

using Clock = std::chrono::steady_clock;

void show(Progress& progress) {
    const double seconds = std::chrono::duration<double>(Clock::now() - progress.start).count();
    char text[96];
    progress_format(text, sizeof text, progress.done, progress.total, seconds);
    std::fprintf(progress.out, "\r%-72s", text);
    std::fflush(progress.out);
    progress.shown = true;
}

}  // namespace

void progress_begin(Progress& progress, std::FILE* out, int64_t total) {
    progress = Progress{};
    progress.total = total;
    progress.start = progress.last_shown = Clock::now();
    if (out && ombrith_isatty(ombrith_fileno(out))) progress.out = out;
}

void progress_step(Progress& progress) {
    ++progress.done;
    if (!progress.out) return;
    const Clock::time_point now = Clock::now();
    if (progress.shown && now - progress.last_shown < std::chrono::milliseconds(200) &&
        progress.done != progress.total) {
        return;
    }
    progress.last_shown = now;
    show(progress);
}

void progress_hide(Progress& progress) {
    if (progress.out && progress.shown) {
        std::fprintf(progress.out, "\r%72s\r", "");
        std::fflush(progress.out);
    }
    progress.shown = false;
}

void progress_end(Progress& progress) {
    progress_hide(progress);
    progress.out = nullptr;
}

void progress_format(char* text, size_t size, int64_t done, int64_t total, double seconds) {
    const double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    if (rate <= 0.0 || done <= 0) {
        std::snprintf(text, size, "frame %lld of %lld", static_cast<long long>(done),
                      static_cast<long long>(total));
        return;
    }
    const long long left = static_cast<long long>(static_cast<double>(total - done) / rate + 0.5);
    std::snprintf(text, size, "frame %lld of %lld, %.1f frames/s, %lld:%02lld left",
                  static_cast<long long>(done), static_cast<long long>(total), rate, left / 60,
                  left % 60);
}
