// The render tool's outputs at --scale N: frames per second of PNG files,
// an animated PNG and a video stream, for the 320 variant at scales 1, 4
// and 9 and the 640 variant at scales 1 and 3 (the video also as 4:2:0 at
// the even scales). The frames are rendered beforehand, so the figures are
// the writers' own; the animation and the video go to /dev/null, the PNG
// files to a temporary folder, made and renamed as the tool makes them.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "effect/driver.h"
#include "programs/render/png_file.h"
#include "programs/render/video_stream.h"

namespace {

constexpr int kFrames = 6;

struct Capture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<double> times;
    std::vector<std::vector<uint32_t>> frames;
};

// Six frames at 60 a second, from 20 s, as a capture of the demo runs.
template <const Variant& V>
Capture render() {
    auto state = std::make_unique<EffectState<V>>();
    effect_setup<V>(*state, 7.0);
    Capture capture{V.width, V.height, {}, {}};
    animation_begin(state->anim, 20.0);
    for (int i = 0; i < kFrames; ++i) {
        const double t = 20.0 + i / 60.0;
        animation_step(state->anim, t, t);
        render_frame<V>(*state);
        capture.times.push_back(t);
        capture.frames.emplace_back(state->work_frame, state->work_frame + V.pixels());
    }
    return capture;
}

const Capture& capture(int64_t variant) {
    static const Capture small = render<variant320>(), large = render<variant640>();
    return variant == 320 ? small : large;
}

// Runs `write` (all frames of the capture at the scale, false on failure)
// and reports the frames written per second.
template <typename Write>
void frames_per_second(benchmark::State& state, Write write) {
    const Capture& frames = capture(state.range(0));
    const int32_t scale = static_cast<int32_t>(state.range(1));
    for (auto _ : state) {
        if (!write(frames, scale)) {
            state.SkipWithError("the writer failed");
            return;
        }
    }
    state.counters["fps"] = benchmark::Counter(
        static_cast<double>(kFrames) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
    state.SetLabel(std::to_string(frames.width * scale) + "x" +
                   std::to_string(frames.height * scale));
}

void BM_Png(benchmark::State& state) {
    const std::string path =
        std::string(P_tmpdir) + "/bench-capture-scale-" + std::to_string(getpid()) + ".png";
    frames_per_second(state, [&](const Capture& frames, int32_t scale) {
        std::string error;
        for (const auto& frame : frames.frames) {
            if (!write_png_file(path, frame.data(), frames.width, frames.height, error, scale)) {
                return false;
            }
        }
        return true;
    });
    std::remove(path.c_str());
}

void BM_Apng(benchmark::State& state) {
    frames_per_second(state, [](const Capture& frames, int32_t scale) {
        std::FILE* out = std::fopen("/dev/null", "wb");
        ApngWriter writer;
        writer.scale = scale;
        std::string error;
        bool ok = out && writer.begin(out, frames.width, frames.height, frames.times, 60.0, error);
        for (const auto& frame : frames.frames) ok = ok && writer.add_frame(frame.data(), error);
        ok = ok && writer.end(error);
        return out && std::fclose(out) == 0 && ok;
    });
}

void BM_Video(benchmark::State& state) {
    const bool chroma420 = state.range(2) == 420;
    frames_per_second(state, [&](const Capture& frames, int32_t scale) {
        std::FILE* out = std::fopen("/dev/null", "wb");
        VideoWriter writer;
        writer.scale = scale;
        writer.chroma420 = chroma420;
        std::string error;
        const uint32_t rate[2] = {60, 1};
        bool ok = out && writer.begin(out, frames.width, frames.height, rate, error);
        for (const auto& frame : frames.frames) ok = ok && writer.add_frame(frame.data(), error);
        return out && std::fclose(out) == 0 && ok;
    });
}

// Variant, scale, and for the video its chroma.
BENCHMARK(BM_Png)
    ->ArgsProduct({{320}, {1, 4, 9}})
    ->Args({640, 1})
    ->Args({640, 3})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Apng)
    ->ArgsProduct({{320}, {1, 4, 9}})
    ->Args({640, 1})
    ->Args({640, 3})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Video)
    ->ArgsProduct({{320}, {1, 4, 9}, {444}})
    ->Args({320, 4, 420})
    ->Args({640, 1, 444})
    ->Args({640, 3, 444})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
