// The browser's whole 640x480 frame under node: the copy, the three lenses
// and the conversion the page's display uses (the window's row converter for
// its surface, then the flip's reordering into the canvas's R, G, B, 255),
// over the same scene as bench_effect's whole_frame_fast/640. Google
// Benchmark is not built for WebAssembly, so this program times the loop
// itself: one run of at least two seconds after a warm-up, reported as
// microseconds per frame of wall-clock time and of the process's processor
// time (node's process.cpuUsage), the latter being what bench_effect's CPU
// column compares with on a busy machine.
#include <emscripten.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "bench/bench_scene.h"
#include "effect/driver.h"
#include "pixelwindow/converters.h"
#include "platform/canvas_order.h"

// Processor time of the node process in microseconds.
EM_JS(double, cpu_microseconds, (), {
    const usage = process.cpuUsage();
    return usage.user + usage.system;
});

namespace {

constexpr int32_t kFrames = kSceneFrames;
constexpr const Variant& V = variant640;

}  // namespace

int main() {
    BenchScene<V> scene;
    auto& state = scene.state;
    const std::vector<AnimationState>& frames = scene.frames;
    std::vector<uint8_t>& screen = scene.screen;
    const PixelConverter convert = choose_converter(32, 0x00FF0000, 0x0000FF00, 0x000000FF);

    uint32_t check = 0;
    auto whole_frame = [&](int32_t k) {
        state->anim = frames[k % kFrames];
        render_frame<V>(*state);
        for (int32_t y = 0; y < V.height; ++y) {
            convert(state->work_frame + y * V.width, screen.data() + size_t{4} * y * V.width,
                    V.width);
        }
        web_canvas_order(screen.data(), static_cast<size_t>(V.pixels()));
        check += screen[static_cast<size_t>(k) * 4099 % screen.size()];
    };

    for (int32_t k = 0; k < kFrames; ++k) whole_frame(k);  // warm-up: tables built
    int64_t count = 0;
    const double cpu_start = cpu_microseconds();
    const double start = emscripten_get_now();
    double now = start;
    while (now - start < 2000.0) {
        for (int32_t k = 0; k < kFrames; ++k) whole_frame(k);
        count += kFrames;
        now = emscripten_get_now();
    }
    const double cpu = (cpu_microseconds() - cpu_start) / static_cast<double>(count);
    const double microseconds = (now - start) * 1000.0 / static_cast<double>(count);
    std::printf("whole_frame_wasm/640 %.1f us per frame, CPU %.1f us (%lld frames, check %u)\n",
                microseconds, cpu, static_cast<long long>(count), check);
    return 0;
}
