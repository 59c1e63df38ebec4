// Command line of the render tool.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The capture formats; their option names are in the parser's table.
enum class CaptureKind { apng, video };

// One capture asked for: its format and its file ("-": standard output).
struct Capture {
    CaptureKind kind;
    std::string path;
};

struct RenderOptions {
    int32_t variant = 640;
    std::optional<double> seed;  // none: the clock
    bool picture = false;
    std::vector<double> times;  // frames, in the order the animation runs
    std::string out_dir = ".";
    bool out_given = false;  // --out was given
    // At most one of each kind, in the order of the parser's table.
    std::vector<Capture> captures;
    double fps = 0.0;  // --fps, 0 when not given
    std::optional<bool> progress;  // --progress / --no-progress; none: chosen by the tool
    bool help = false;
    bool version = false;
};

// Parses argv[1..]; on bad usage returns false with a message in `error`.
// --from T --frames N --fps F adds the times T + i / F for i = 0 .. N-1.
// With no --picture, --time or --from the set-up picture is rendered.
bool parse_render_options(int argc, const char* const* argv, RenderOptions& options,
                          std::string& error);

// The option that asks for a capture of this kind ("--apng").
const char* capture_option_name(CaptureKind kind);

// The tool's exit statuses. A signal that ends the tool ends it with the
// signal's usual status instead.
enum RenderStatus : int {
    kRenderDone = 0,
    kRenderWriteFailed = 1,
    kRenderRefused = 2,
};

// What each status means, as the help text tells it.
struct RenderStatusMeaning {
    RenderStatus status;
    const char* meaning;
};
inline constexpr RenderStatusMeaning kRenderStatuses[] = {
    {kRenderDone, "every file was written and listed on standard output"},
    {kRenderWriteFailed,
     "writing a file or the list on standard output failed (the message names the "
     "file and the reason; the files finished before are kept), or memory ran out"},
    {kRenderRefused,
     "bad usage, a clock reading or seed that cannot be rendered, an --out that is "
     "not a writable directory, a capture file that cannot be created or is not a "
     "file, a FIFO or a character device, or two outputs that are the same file"},
};

// The help text, lines of at most 80 columns, its exit statuses told from
// kRenderStatuses.
std::string render_usage();
