#include "programs/render/render_options.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "effect/driver.h"

namespace {

// The help text before its exit statuses.
const char kUsageText[] =
    "usage: ombrith-render [--variant 320|640] [--seed S] [--picture]\n"
    "                      [--time T]... [--from T --frames N --fps F] [--out DIR]\n"
    "                      [--apng FILE] [--video FILE]\n"
    "\n"
    "Renders the demo without a display into PNG files, one line per file written.\n"
    "\n"
    "  --variant 320|640  the program to render as: ombrith320 or ombrith640\n"
    "                     (default 640)\n"
    "  --seed S           set-up seed, as if the clock read S seconds (default: the\n"
    "                     clock); the same S always gives the same picture. -1\n"
    "                     (which the runtime takes as 'from the clock') and\n"
    "                     non-finite numbers are refused\n"
    "  --picture          the set-up picture, before any lens is drawn\n"
    "  --time T           a frame at clock reading T seconds; repeat for more frames,\n"
    "                     which animate one after the other as the demo's frames do\n"
    "  --from T --frames N --fps F\n"
    "                     N frames at T, T + 1/F, T + 2/F, ...\n"
    "  --out DIR          an existing directory for the files (default: .); checked\n"
    "                     even when only --apng or --video files are written\n"
    "  --apng FILE        the frames as one looping animated PNG instead of PNG\n"
    "                     files, lossless, each shown for 1/F s with --fps, otherwise\n"
    "                     until the next frame's clock reading\n"
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
    "Each file appears under its name only when complete. A signal that ends the\n"
    "tool (any but SIGKILL) removes the file being written first, and the tool ends\n"
    "with the signal's usual status. On a terminal, long renders show their progress\n"
    "on standard error, in one line that fits the terminal's width.\n"
    "\n"
    "Exit status:\n";

constexpr size_t kHelpColumns = 80;

// The options that ask for a capture, in the order their files are opened
// and listed.
struct CaptureOption {
    const char* name;
    CaptureKind kind;
    bool needs_rate;  // the format holds one steady rate: --from --frames --fps
};
constexpr CaptureOption kCaptureOptions[] = {
    {"--apng", CaptureKind::apng, false},
    {"--video", CaptureKind::video, true},
};

const CaptureOption* capture_option(const std::string& name) {
    for (const CaptureOption& option : kCaptureOptions) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

const CaptureOption& capture_option(CaptureKind kind) {
    for (const CaptureOption& option : kCaptureOptions) {
        if (option.kind == kind) return option;
    }
    return kCaptureOptions[0];  // every kind has its option
}

// "--apng and --video": every capture option, for messages about them all.
std::string all_capture_options() {
    std::string names;
    const size_t count = std::size(kCaptureOptions);
    for (size_t i = 0; i < count; ++i) {
        names += (i == 0 ? "" : i + 1 == count ? " and " : ", ");
        names += kCaptureOptions[i].name;
    }
    return names;
}

}  // namespace

const char* capture_option_name(CaptureKind kind) { return capture_option(kind).name; }

std::string render_usage() {
    std::string text = kUsageText;
    // "  N  " and the meaning, its words wrapped under its first.
    for (const RenderStatusMeaning& entry : kRenderStatuses) {
        std::string line = "  " + std::to_string(entry.status) + " ";
        for (const char* word = entry.meaning; *word;) {
            const size_t length = std::strcspn(word, " ");
            if (line.size() + 1 + length > kHelpColumns) {
                text += line + "\n";
                line = "    ";
            }
            line.append(" ").append(word, length);
            word += length + (word[length] == ' ');
        }
        text += line + "\n";
    }
    return text;
}

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
        } else if (const CaptureOption* capture = capture_option(arg)) {
            if (!needs_value()) return false;
            if (!*value) {
                error = arg + " needs a file name";
                return false;
            }
            // Given again, the later file counts.
            auto& list = options.captures;
            auto same = std::find_if(list.begin(), list.end(),
                                     [&](const Capture& c) { return c.kind == capture->kind; });
            if (same != list.end()) {
                same->path = value;
            } else {
                list.push_back({capture->kind, value});
            }
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
    auto& captures = options.captures;
    std::stable_sort(captures.begin(), captures.end(), [](const Capture& a, const Capture& b) {
        return &capture_option(a.kind) < &capture_option(b.kind);
    });
    if (!captures.empty() && options.times.empty()) {
        error = all_capture_options() + " need frames: --time or --from --frames --fps";
        return false;
    }
    for (const Capture& capture : captures) {
        if (capture_option(capture.kind).needs_rate && !fps) {
            error = std::string(capture_option_name(capture.kind)) +
                    " needs the steady rate of --from --frames --fps";
            return false;
        }
    }
    const Capture* to_stdout = nullptr;
    for (const Capture& capture : captures) {
        if (capture.path != "-") continue;
        if (to_stdout) {
            error = std::string("only one of ") + capture_option_name(to_stdout->kind) + " and " +
                    capture_option_name(capture.kind) + " can go to standard output";
            return false;
        }
        to_stdout = &capture;
    }
    if (!options.picture && options.times.empty()) options.picture = true;
    return true;
}
