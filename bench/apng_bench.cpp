// Animated PNG encoding of the demo's own frames at each deflate level: the
// time per frame, and the bytes of the file as counters (bytes per file,
// and their ratio to the file at level 9). Two captures: 60 frames of the
// 640 variant at 60 frames a second, and the README's picture (36 frames of
// the 320 variant at 12 a second, seed 7, from 20 s).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "effect/driver.h"
#include "programs/render/png_file.h"

namespace {

struct Capture {
    int32_t width = 0;
    int32_t height = 0;
    double fps = 0.0;
    std::vector<double> times;
    std::vector<std::vector<uint32_t>> frames;
};

template <const Variant& V>
Capture render(double seed, double from, int32_t count, double fps) {
    auto state = std::make_unique<EffectState<V>>();
    effect_setup<V>(*state, seed);
    Capture capture;
    capture.width = V.width;
    capture.height = V.height;
    capture.fps = fps;
    animation_begin(state->anim, from);
    for (int32_t i = 0; i < count; ++i) {
        const double t = from + i / fps;
        animation_step(state->anim, t, t);
        render_frame<V>(*state);
        capture.times.push_back(t);
        capture.frames.emplace_back(state->work_frame, state->work_frame + V.pixels());
    }
    return capture;
}

const Capture& capture640() {
    static const Capture capture = render<variant640>(1.0, 20.0, 60, 60.0);
    return capture;
}

const Capture& readme320() {
    static const Capture capture = render<variant320>(7.0, 20.0, 36, 12.0);
    return capture;
}

// The whole file at this level, in memory.
std::vector<char> encode(const Capture& capture, int level) {
    char* data = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&data, &size);
    ApngWriter writer;
    writer.deflate_level = level;
    std::string error;
    bool ok = writer.begin(out, capture.width, capture.height, capture.times, capture.fps, error);
    for (const auto& frame : capture.frames) ok = ok && writer.add_frame(frame.data(), error);
    ok = ok && writer.end(error);
    std::fclose(out);
    std::vector<char> bytes(data, data + size);
    std::free(data);
    if (!ok) bytes.clear();
    return bytes;
}

void encode_at_level(benchmark::State& state, const Capture& capture) {
    const int level = static_cast<int>(state.range(0));
    size_t bytes = 0;
    for (auto _ : state) {
        const std::vector<char> file = encode(capture, level);
        if (file.empty()) {
            state.SkipWithError("the encoder failed");
            return;
        }
        bytes = file.size();
    }
    static std::map<const Capture*, size_t> level9_bytes;
    if (level == 9) level9_bytes[&capture] = bytes;
    state.counters["bytes"] = static_cast<double>(bytes);
    if (level9_bytes.count(&capture)) {
        state.counters["vs_level9"] = static_cast<double>(bytes) / level9_bytes[&capture];
    }
    state.counters["ms_per_frame"] = benchmark::Counter(
        static_cast<double>(capture.frames.size()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Apng640(benchmark::State& state) { encode_at_level(state, capture640()); }
void BM_ApngReadme320(benchmark::State& state) { encode_at_level(state, readme320()); }

// Level 9 first, so the other levels can be given as a ratio to it.
BENCHMARK(BM_Apng640)->Arg(9)->Arg(6)->Arg(4)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApngReadme320)->Arg(9)->Arg(6)->Arg(4)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
