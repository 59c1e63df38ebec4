// A preloaded library that times an unmodified demo program frame by frame:
// it wraps the SDL calls that begin and end the presentation of a frame and,
// at exit, writes frames per second and where the time of a frame goes to the
// file named by OMBRITH_FPS_REPORT (standard error when unset).
//
//   effect   from the end of one presentation to the start of the next:
//            animation, frame copy, lenses, key read, message pump, lock,
//            row conversion into the back buffer
//   scale    copying the back buffer onto the window, scaled
//   upload   handing the window's pixels to the display server
#include <SDL.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double now() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

long frames = 0;
double first_end = 0.0, last_end = 0.0, present_start = 0.0;
double effect_total = 0.0, scale_total = 0.0, upload_total = 0.0;

template <typename F>
F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void report() {
    const char* path = std::getenv("OMBRITH_FPS_REPORT");
    FILE* out = path != nullptr ? std::fopen(path, "w") : stderr;
    if (out == nullptr) return;
    const long timed = frames - 1;  // the first frame follows set-up
    const double span = last_end - first_end;
    if (timed < 1 || span <= 0.0) {
        std::fprintf(out, "frames %ld: too few to time\n", frames);
    } else {
        std::fprintf(out, "frames %ld in %.2f s: %.1f frames/s, %.2f ms a frame\n", timed, span,
                     static_cast<double>(timed) / span, 1000.0 * span / static_cast<double>(timed));
        std::fprintf(out, "  effect+convert %.3f ms, scale %.3f ms, upload %.3f ms\n",
                     1000.0 * effect_total / static_cast<double>(timed),
                     1000.0 * scale_total / static_cast<double>(timed),
                     1000.0 * upload_total / static_cast<double>(timed));
    }
    if (out != stderr) std::fclose(out);
}

}  // namespace

extern "C" SDL_Surface* SDL_GetWindowSurface(SDL_Window* window) {
    static auto real = next<SDL_Surface* (*)(SDL_Window*)>("SDL_GetWindowSurface");
    present_start = now();
    if (frames > 0) effect_total += present_start - last_end;
    return real(window);
}

extern "C" int SDL_UpdateWindowSurface(SDL_Window* window) {
    static auto real = next<int (*)(SDL_Window*)>("SDL_UpdateWindowSurface");
    const double upload_start = now();
    const int result = real(window);
    const double end = now();
    if (frames == 0) {
        first_end = end;
        std::atexit(report);
    } else {
        scale_total += upload_start - present_start;
        upload_total += end - upload_start;
    }
    last_end = end;
    ++frames;
    return result;
}
