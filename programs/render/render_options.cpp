#include "programs/render/render_options.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "effect/driver.h"

const char kRenderUsage[] =
    "usage: ombrith-render [--variant 320|640] [--seed S] [--picture]\n"
    "                      [--time T]... [--from T --frames N --fps F] [--out DIR]\n"
    "                      [--apng FILE] [--video FILE]\n"
    "\n"
    "Renders the demo without a display into PNG files, one line per file written.\n"
    "\n"
    "  --variant 320|640  the program to render as: ombrith320 or ombrith640 (default 640)\n"
    "  --seed S           set-up seed, as if the clock read S seconds (default: the clock);\n"
    "                     the same S always gives the same picture. -1 (which the runtime\n"
    "                     takes as 'from the clock') and non-finite numbers are refused\n"
    "  --picture          the set-up picture, before any lens is drawn\n"
    "  --time T           a frame at clock reading T seconds; repeat for more frames,\n"
    "                     which animate one after the other as the demo's frames do\n"
    "  --from T --frames N --fps F\n"
    "                     N frames at T, T + 1/F, T + 2/F, ...\n"
    "  --out DIR          an existing directory for the files (default: .); checked\n"
    "                     even when only --apng or --video files are written\n"
    "  --apng FILE        the frames as one looping animated PNG instead of PNG files,\n"
    "                     lossless, each shown for 1/F s with --fps, otherwise until\n"
    "                     the next frame's clock reading\n"
    "  --video FILE       the frames as a YUV4MPEG2 stream at F frames/s for video\n"
    "                     encoders; FILE - is standard output. A FIFO or a device\n"
    "                     (/dev/null) is written as it is. Colours: 4:4:4,\n"
    "                     full range (0-255), BT.601 matrix (header: C444\n"
    "                     XCOLORRANGE=FULL XCOLORMATRIX=BT601)\n"
    "  --progress, --no-progress\n"
    "                     show or hide the progress line on standard error (it is\n"
    "                     shown only on a terminal; by default not while standard\n"
    "                     output carries a capture)\n"
    "  --help             this text\n"
    "  --version          the version number\n"
    "\n"
    "With no --picture, --time or --from, the set-up picture is rendered. Every clock\n"
    "reading, given or derived, is checked before anything is rendered: it must be\n"
    "finite and below 3.4028235677973366e+38 in size (beyond that the animation's\n"
    "single-precision time overflows).\n"
    "\n"
    "Each file appears under its name only when complete. Exit status: 0 when every\n"
    "file was written and listed; 1 when writing a file or the list on standard\n"
    "output failed (the files finished before it are kept); 2 for bad usage, a\n"
    "reading or seed that cannot be rendered, an --out that is not a writable\n"
    "directory, an --apng or --video file that cannot be created or is not a file,\n"
    "a FIFO or a character device, or two outputs that are the same file. A signal\n"
    "that ends the tool (any but SIGKILL) removes the file being written first. On a\n"
    "terminal, long renders show their progress on standard error, in one line that\n"
    "fits the terminal's width.\n";

namespace {

constexpr long kMaxFrames = 1000000;

bool parse_number(const char* text, double& value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return *end == '\0' && std::isfinite(value);
}

std::string shortest(double value) {
    char text[64];
    auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// The message for a reading the effect cannot draw; `source` says where it
// came from.
std::string undrawable(double reading, const std::string& source) {
    return "the clock reading " + shortest(reading) + " (" + source +
           ") cannot be rendered: readings must be finite and below " +
           shortest(std::ldexp(1.0, 128) - std::ldexp(1.0, 103)) + " in size";
}

bool parse_count(const char* text, long& value) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text, &end, 10);
    return *end == '\0' && errno == 0;
}

}  // namespace

bool parse_render_options(int argc, const char* const* argv, RenderOptions& options,
                          std::string& error) {
    std::optional<double> from, fps;
    std::optional<long> frames;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto needs_value = [&]() {
            if (value) return true;
            error = arg + " needs a value";
            return false;
        };
        double number = 0.0;
        long count = 0;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--progress" || arg == "--no-progress") {
            options.progress = arg == "--progress";
        } else if (arg == "--picture") {
            options.picture = true;
        } else if (arg == "--variant") {
            if (!needs_value()) return false;
            if (std::strcmp(value, "320") == 0) {
                options.variant = 320;
            } else if (std::strcmp(value, "640") == 0) {
                options.variant = 640;
            } else {
                error = std::string("unknown variant '") + value + "': use 320 or 640";
                return false;
            }
            ++i;
        } else if (arg == "--seed" || arg == "--time" || arg == "--from" || arg == "--fps") {
            if (!needs_value()) return false;
            if (!parse_number(value, number)) {
                error = arg + " needs a finite number, not '" + value + "'";
                return false;
            }
            if (arg == "--seed") {
                if (number == -1.0) {
                    error = "--seed -1 is not a seed but 'from the clock' to the runtime; "
                            "leave --seed out for that, or give another number";
                    return false;
                }
                options.seed = number;
            }
            if (arg == "--time") {
                if (!clock_reading_drawable(number)) {
                    error = undrawable(number, std::string("--time ") + value);
                    return false;
                }
                options.times.push_back(number);
            }
            if (arg == "--from") from = number;
            if (arg == "--fps") {
                if (number <= 0.0) {
                    error = "--fps needs a number above 0";
                    return false;
                }
                fps = number;
            }
            ++i;
        } else if (arg == "--frames") {
            if (!needs_value()) return false;
            if (!parse_count(value, count) || count < 1 || count > kMaxFrames) {
                error = std::string("--frames needs a whole number from 1 to ") +
                        std::to_string(kMaxFrames) + ", not '" + value + "'";
                return false;
            }
            frames = count;
            ++i;
        } else if (arg == "--apng" || arg == "--video") {
            if (!needs_value()) return false;
            if (!*value) {
                error = arg + " needs a file name";
                return false;
            }
            (arg == "--apng" ? options.apng : options.video) = value;
            ++i;
        } else if (arg == "--out") {
            if (!needs_value()) return false;
            options.out_dir = value;
            options.out_given = true;
            ++i;
        } else {
            error = "unknown option '" + arg + "'";
            return false;
        }
    }
    if (from || frames || fps) {
        if (!(from && frames && fps)) {
            error = "--from, --frames and --fps go together";
            return false;
        }
        for (long k = 0; k < *frames; ++k) {
            const double t = static_cast<double>(*from + static_cast<double>(k) / *fps);
            if (!clock_reading_drawable(t)) {
                error = undrawable(t, "frame " + std::to_string(k) + " of --from " +
                                          shortest(*from) + " --frames " +
                                          std::to_string(*frames) + " --fps " + shortest(*fps));
                return false;
            }
            options.times.push_back(t);
        }
    }
    if (fps) options.fps = *fps;
    if ((!options.apng.empty() || !options.video.empty()) && options.times.empty()) {
        error = "--apng and --video need frames: --time or --from --frames --fps";
        return false;
    }
    if (!options.video.empty() && !fps) {
        error = "--video needs the steady rate of --from --frames --fps";
        return false;
    }
    if (options.apng == "-" && options.video == "-") {
        error = "only one of --apng and --video can go to standard output";
        return false;
    }
    if (!options.picture && options.times.empty()) options.picture = true;
    return true;
}
