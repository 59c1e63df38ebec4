// The effect's set-up and frames by the plain and the fast paths, in one run,
// beside a memcpy of the frame as the floor. After the usual table the
// program prints the ratios: plain time / fast time, and fast whole frame /
// memcpy.
//
// Frames cycle through the animation states of the benchmark scene.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_scene.h"
#include "effect/colour_mapping.h"
#include "effect/driver.h"
#include "effect/fast/colour.h"
#include "effect/fast/distance.h"
#include "effect/fast/lens.h"
#include "effect/lens.h"
#include "effect/pattern_field.h"
#include "pixelwindow/converters.h"
#include "runtime/numbers.h"

namespace {

constexpr int32_t kFrames = kSceneFrames;
template <const Variant& V>
using Scene = BenchScene<V>;

template <const Variant& V>
Scene<V>& scene() {
    static Scene<V> s;
    return s;
}

template <const Variant& V>
void frame_reference(EffectState<V>& s) {
    copy_frame<V>(s.work_frame, s.picture);
    const Ripple ripple = s.anim.ripple();
    for (int32_t k = 0; k < 3; ++k) {
        draw_lens_reference<V>(s.work_frame, s.picture, s.anim.offsets[2 * k] + V.lenses[k].base_x,
                               s.anim.offsets[2 * k + 1] + V.lenses[k].base_y, V.lenses[k].size,
                               ripple);
    }
}

// The frame as window_update presents it on a 32-bit display: row by row.
template <const Variant& V>
void present(Scene<V>& sc) {
    for (int32_t y = 0; y < V.height; ++y) {
        convert_rgb32(sc.state->work_frame + y * V.width, sc.screen.data() + size_t{4} * y * V.width,
                      V.width);
    }
}

template <const Variant& V, bool Fast>
void BM_SetUp(benchmark::State& st) {
    auto& s = *scene<V>().state;
    for (auto _ : st) {
        if (Fast) {
            distance_pass<V>(s);
            colour_pass<V>(s);
        } else {
            distance_pass_reference<V>(s);
            colour_pass_reference<V>(s);
        }
        benchmark::DoNotOptimize(s.picture);
    }
}

template <const Variant& V, bool Fast, bool Whole>
void BM_Frame(benchmark::State& st) {
    auto& sc = scene<V>();
    int32_t k = 0;
    for (auto _ : st) {
        sc.state->anim = sc.frames[k++ % kFrames];
        if (Fast) {
            render_frame<V>(*sc.state);
        } else {
            frame_reference<V>(*sc.state);
        }
        if (Whole) present<V>(sc);
        benchmark::DoNotOptimize(sc.state->work_frame);
        benchmark::DoNotOptimize(sc.screen.data());
    }
}

template <const Variant& V>
void BM_Memcpy(benchmark::State& st) {
    auto& sc = scene<V>();
    for (auto _ : st) {
        std::memcpy(sc.screen.data(), sc.state->picture, size_t{4} * V.pixels());
        benchmark::DoNotOptimize(sc.screen.data());
        benchmark::ClobberMemory();
    }
}

#define OMBRITH_VARIANT_BENCHES(V, tag)                                                  \
    BENCHMARK(BM_SetUp<V, false>)->Name("setup_reference/" tag)->Unit(benchmark::kMillisecond); \
    BENCHMARK(BM_SetUp<V, true>)->Name("setup_fast/" tag)->Unit(benchmark::kMillisecond);      \
    BENCHMARK(BM_Frame<V, false, false>)->Name("frame_reference/" tag)->Unit(benchmark::kMicrosecond); \
    BENCHMARK(BM_Frame<V, true, false>)->Name("frame_fast/" tag)->Unit(benchmark::kMicrosecond); \
    BENCHMARK(BM_Frame<V, false, true>)->Name("whole_frame_reference/" tag)->Unit(benchmark::kMicrosecond); \
    BENCHMARK(BM_Frame<V, true, true>)->Name("whole_frame_fast/" tag)->Unit(benchmark::kMicrosecond); \
    BENCHMARK(BM_Memcpy<V>)->Name("memcpy_frame/" tag)->Unit(benchmark::kMicrosecond);

OMBRITH_VARIANT_BENCHES(variant320, "320")
OMBRITH_VARIANT_BENCHES(variant640, "640")

// Keeps each run's wall and CPU time per iteration (in ms) for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> wall_ms, cpu_ms;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.iterations == 0) continue;
            const double n = static_cast<double>(r.iterations);
            wall_ms[r.benchmark_name()] = r.real_accumulated_time * 1e3 / n;
            cpu_ms[r.benchmark_name()] = r.cpu_accumulated_time * 1e3 / n;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

// Wall-clock ratios, and CPU-time ratios, which a busy machine disturbs less.
void print_ratios(const RatioReporter& rep) {
    const auto ratio = [&](const std::string& a, const std::string& b) {
        const auto i = rep.wall_ms.find(a), j = rep.wall_ms.find(b);
        if (i == rep.wall_ms.end() || j == rep.wall_ms.end() || j->second <= 0) return;
        const double ca = rep.cpu_ms.at(a), cb = rep.cpu_ms.at(b);
        std::printf("%-26s / %-20s wall %9.4f / %9.4f ms = %6.1f   cpu %9.4f / %9.4f ms = %6.1f\n",
                    a.c_str(), b.c_str(), i->second, j->second, i->second / j->second, ca, cb,
                    ca / cb);
    };
    std::printf("\nRatios (same run):\n");
    for (const char* tag : {"320", "640"}) {
        const std::string t = tag;
        ratio("setup_reference/" + t, "setup_fast/" + t);
        ratio("frame_reference/" + t, "frame_fast/" + t);
        ratio("whole_frame_reference/" + t, "whole_frame_fast/" + t);
        ratio("whole_frame_fast/" + t, "memcpy_frame/" + t);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    print_ratios(reporter);
    return 0;
}
