// Command line of the render tool.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct RenderOptions {
    int32_t variant = 640;
    std::optional<double> seed;  // none: the clock
    bool picture = false;
    std::vector<double> times;   // frames, in the order the animation runs
    std::string out_dir = ".";
    bool out_given = false;  // --out was given
    std::string apng;   // the frames as one animated PNG; "-": standard output
    std::string video;  // the frames as a YUV4MPEG2 stream; "-": standard output
    double fps = 0.0;   // --fps, 0 when not given
    std::optional<bool> progress;  // --progress / --no-progress; none: chosen by the tool
    bool help = false;
    bool version = false;
};

// Parses argv[1..]; on bad usage returns false with a message in `error`.
// --from T --frames N --fps F adds the times T + i / F for i = 0 .. N-1.
// With no --picture, --time or --from the set-up picture is rendered.
bool parse_render_options(int argc, const char* const* argv, RenderOptions& options,
                          std::string& error);

extern const char kRenderUsage[];
