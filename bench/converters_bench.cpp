// One 640x480 frame converted row by row into each layout, on each path the
// machine runs, beside a plain memcpy of the same source bytes. Compare each
// converter's time with BM_memcpy_frame of the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "pixelwindow/converters.h"

namespace {

constexpr uint32_t width = 640;
constexpr uint32_t height = 480;

struct Layout {
    const char* name;
    int32_t bits_per_pixel;
    uint32_t red_mask, green_mask, blue_mask;
};

const Layout layouts[] = {
    {"rgb32", 32, 0x00FF0000, 0x0000FF00, 0x000000FF}, {"bgr32", 32, 0x000000FF, 0x0000FF00, 0x00FF0000},
    {"rgb24", 24, 0x00FF0000, 0x0000FF00, 0x000000FF}, {"bgr24", 24, 0x000000FF, 0x0000FF00, 0x00FF0000},
    {"rgb565", 16, 0xF800, 0x07E0, 0x001F},            {"bgr565", 16, 0x001F, 0x07E0, 0xF800},
    {"rgb555", 16, 0x7C00, 0x03E0, 0x001F},            {"bgr555", 16, 0x001F, 0x03E0, 0x7C00},
};

const std::vector<uint32_t>& frame() {
    static const std::vector<uint32_t> pixels = [] {
        std::vector<uint32_t> p(size_t{width} * height);
        std::mt19937 random(1);
        for (auto& v : p) v = random() & 0x00FFFFFF;
        return p;
    }();
    return pixels;
}

void BM_memcpy_frame(benchmark::State& state) {
    const auto& source = frame();
    std::vector<uint8_t> destination(source.size() * 4);
    for (auto _ : state) {
        std::memcpy(destination.data(), source.data(), destination.size());
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(destination.size()));
}

void convert_frame(benchmark::State& state, PixelConverter convert, uint32_t bytes_per_pixel) {
    const auto& source = frame();
    const uint32_t pitch = width * bytes_per_pixel;
    std::vector<uint8_t> destination(size_t{pitch} * height);
    for (auto _ : state) {
        for (uint32_t y = 0; y < height; ++y) {
            convert(&source[size_t{y} * width], &destination[size_t{y} * pitch], width);
        }
        benchmark::DoNotOptimize(destination.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.size() * 4));
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("BM_memcpy_frame", BM_memcpy_frame);
    const std::pair<ConverterPath, const char*> paths[] = {{ConverterPath::portable, "portable"},
                                                           {ConverterPath::mmx, "mmx"},
                                                           {ConverterPath::sse2, "sse2"},
                                                           {ConverterPath::avx2, "avx2"}};
    for (const Layout& l : layouts) {
        PixelConverter chosen = choose_converter(l.bits_per_pixel, l.red_mask, l.green_mask, l.blue_mask);
        uint32_t bytes = static_cast<uint32_t>(l.bits_per_pixel) / 8;
        benchmark::RegisterBenchmark((std::string("BM_convert_frame/") + l.name + "/chosen").c_str(),
                                     convert_frame, chosen, bytes);
        for (auto [path, path_name] : paths) {
            PixelConverter c = choose_converter_on(path, l.bits_per_pixel, l.red_mask, l.green_mask, l.blue_mask);
            if (c == nullptr) continue;
            benchmark::RegisterBenchmark((std::string("BM_convert_frame/") + l.name + "/" + path_name).c_str(),
                                         convert_frame, c, bytes);
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
