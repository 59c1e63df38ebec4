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
    std::vector<double> times;  // frames, in the order the animation runs
    std::string out_dir = ".";
    bool out_given = false;  // --out was given
    std::string apng;        // --apng FILE, empty when not given ("-": standard output)
    std::string video;       // --video FILE, likewise
    double fps = 0.0;        // --fps, 0 when not given
    int32_t scale = 1;       // --scale: every pixel an N x N block, in every output
    int32_t chroma = 444;    // --chroma: the video's chroma, 444 or 420
    uint32_t video_rate[2] = {0, 1};  // --fps as an exact fraction, with --video
    std::optional<bool> progress;  // --progress / --no-progress; none: chosen by the tool
    bool help = false;
    bool version = false;
};

// Parses argv[1..]; on bad usage returns false with a message in `error`.
// --from T --frames N --fps F adds the times T + i / F for i = 0 .. N-1.
// With no --picture, --time or --from the set-up picture is rendered.
bool parse_render_options(int argc, const char* const* argv, RenderOptions& options,
                          std::string& error);

// The tool's exit statuses, as the help tells them. A signal that ends the
// tool ends it with the signal's usual status instead.
enum RenderStatus : int { kRenderDone = 0, kRenderWriteFailed = 1, kRenderRefused = 2 };

// The shortest text that reads back as `value` ("2.5", "1e+308"), in fixed or
// scientific notation, whichever is shorter (fixed on a tie).
std::string shortest(double value);
