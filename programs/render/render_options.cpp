#include "programs/render/render_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "effect/driver.h"

std::string shortest(double value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

namespace {

constexpr long kMaxFrames = 1000000;
constexpr long kMaxScale = 16;

// The one grammar of numbers, the page's too: an optional sign and decimal
// digits, then, unless `whole`, a fraction and an exponent (2.5, .5, 1e-3).
// No spaces, no hex, no inf or nan.
bool parse_number(const std::string& text, double& value, bool whole = false) {
    const char* p = text.c_str() + (text[0] == '+' || text[0] == '-');
    auto digits = [&p] {
        const char* start = p;
        while (*p >= '0' && *p <= '9') ++p;
        return p > start;
    };
    bool read = digits();
    if (!whole && *p == '.') ++p, read = digits() || read;
    if (!whole && read && (*p == 'e' || *p == 'E')) {
        p += p[1] == '+' || p[1] == '-' ? 2 : 1;
        read = digits();
    }
    value = std::strtod(text.c_str(), nullptr);
    return read && *p == '\0' && std::isfinite(value);
}

// A rate as the reduced fraction of the decimal written, when both parts fit
// 32 bits as a video header holds them: 0.3333 is 3333/10000.
bool exact_rate(const std::string& text, uint32_t rate[2]) {
    std::string digits;
    long exponent = 0;
    size_t i = 0;
    for (bool point = false; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
        point = point || text[i] == '.';
        if (text[i] >= '0' && text[i] <= '9') digits += text[i], exponent -= point;
    }
    if (i < text.size()) exponent += std::strtol(text.c_str() + i + 1, nullptr, 10);
    digits.erase(0, digits.find_first_not_of('0'));
    for (; !digits.empty() && digits.back() == '0'; ++exponent) digits.pop_back();
    if (exponent > 0) digits.append(static_cast<size_t>(std::min(exponent, 10L)), '0');
    uint64_t den = 1;
    // Each power of ten below the point cancels a factor 2 or 5 of the digits
    // while they have one.
    for (long k = exponent; k < 0 && den <= UINT32_MAX; ++k) {
        const int by = (digits.back() - '0') % 2 == 0 ? 2 : digits.back() == '5' ? 5 : 1;
        den *= 10 / by;
        std::string quotient;
        for (int rest = 0; char c : digits) {
            rest = rest * 10 + (c - '0');
            if (!quotient.empty() || rest >= by) quotient += static_cast<char>('0' + rest / by);
            rest %= by;
        }
        digits = quotient;
    }
    const uint64_t num = digits.size() <= 10 ? std::strtoull(digits.c_str(), nullptr, 10) : ~0ull;
    rate[0] = static_cast<uint32_t>(num), rate[1] = static_cast<uint32_t>(den);
    return num <= UINT32_MAX && den <= UINT32_MAX;
}

std::string undrawable(double reading, const std::string& source) {
    return "the clock reading " + shortest(reading) + " (" + source +
           ") cannot be rendered: readings must be finite and below " +
           shortest(std::ldexp(1.0, 128) - std::ldexp(1.0, 103)) + " in size";
}

bool refuse(std::string& error, const std::string& reason) {
    error = reason;
    return false;
}

}  // namespace

bool parse_render_options(int argc, const char* const* argv, RenderOptions& options,
                          std::string& error) {
    std::optional<double> from, fps;
    std::string fps_text;
    long frames = 0, scale = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h" || arg == "--version" || arg == "--picture" ||
            arg == "--progress" || arg == "--no-progress") {
            options.help = options.help || arg == "--help" || arg == "-h";
            options.version = options.version || arg == "--version";
            options.picture = options.picture || arg == "--picture";
            if (arg.find("progress") != std::string::npos) options.progress = arg == "--progress";
            continue;
        }
        // Every other option takes a value.
        const bool known = arg == "--variant" || arg == "--seed" || arg == "--time" ||
                           arg == "--from" || arg == "--fps" || arg == "--frames" ||
                           arg == "--apng" || arg == "--video" || arg == "--out" ||
                           arg == "--scale" || arg == "--chroma";
        if (!known) return refuse(error, "unknown option '" + arg + "'");
        if (++i == argc) return refuse(error, arg + " needs a value");
        const std::string value = argv[i];
        double number = 0.0;
        const bool numeric =
            arg == "--seed" || arg == "--time" || arg == "--from" || arg == "--fps";
        if (numeric && !parse_number(value, number)) {
            return refuse(error, arg + " needs a finite number, not '" + value + "'");
        }
        if (arg == "--variant" || arg == "--chroma") {
            const bool variant = arg == "--variant";
            const std::string one = variant ? "320" : "444", other = variant ? "640" : "420";
            if (value != one && value != other) {
                return refuse(error, "unknown " + arg.substr(2) + " '" + value + "': use " + one +
                                         " or " + other);
            }
            (variant ? options.variant : options.chroma) = std::stoi(value);
        } else if (arg == "--seed") {
            if (number == -1.0) {
                return refuse(error, "--seed -1 is not a seed but 'from the clock' to the runtime; "
                                     "leave --seed out for that, or give another number");
            }
            options.seed = number;
        } else if (arg == "--time") {
            if (!clock_reading_drawable(number)) {
                return refuse(error, undrawable(number, "--time " + value));
            }
            options.times.push_back(number);
        } else if (arg == "--from") {
            from = number;
        } else if (arg == "--fps") {
            if (number <= 0.0) return refuse(error, "--fps needs a number above 0");
            fps = number;
            fps_text = value;
        } else if (arg == "--frames" || arg == "--scale") {
            const long most = arg == "--frames" ? kMaxFrames : kMaxScale;
            if (!parse_number(value, number, true) || number < 1 || number > most) {
                return refuse(error, arg + " needs a whole number from 1 to " +
                                         std::to_string(most) + ", not '" + value + "'");
            }
            (arg == "--frames" ? frames : scale) = static_cast<long>(number);
        } else if (arg != "--out" && value.empty()) {
            return refuse(error, arg + " needs a file name");
        } else {
            // Given again, the later value counts.
            (arg == "--apng" ? options.apng : arg == "--video" ? options.video : options.out_dir) =
                value;
            options.out_given = options.out_given || arg == "--out";
        }
    }
    if (from || frames || fps) {
        if (!(from && frames && fps)) {
            return refuse(error, "--from, --frames and --fps go together");
        }
        for (long k = 0; k < frames; ++k) {
            const double t = *from + static_cast<double>(k) / *fps;
            if (!clock_reading_drawable(t)) {
                return refuse(error, undrawable(t, "frame " + std::to_string(k) + " of --from " +
                                                       shortest(*from) + " --frames " +
                                                       std::to_string(frames) + " --fps " +
                                                       shortest(*fps)));
            }
            options.times.push_back(t);
        }
        options.fps = *fps;
    }
    if ((!options.apng.empty() || !options.video.empty()) && options.times.empty()) {
        return refuse(error, "--apng and --video need frames: --time or --from --frames --fps");
    }
    if (!options.video.empty() && !fps) {
        return refuse(error, "--video needs the steady rate of --from --frames --fps");
    }
    options.scale = static_cast<int32_t>(scale);
    if (options.chroma == 420 && options.video.empty()) {
        return refuse(error, "--chroma 420 is for --video");
    }
    if (options.chroma == 420 && options.scale % 2 != 0) {
        return refuse(error, "--chroma 420 needs an even --scale: at scale " +
                                 std::to_string(options.scale) +
                                 " a 2 x 2 chroma block would mix the colours of "
                                 "neighbouring pixels");
    }
    if (!options.video.empty() && !exact_rate(fps_text, options.video_rate)) {
        return refuse(error, "--fps " + fps_text + " cannot be stated in a video header, "
                             "which holds a rate as a fraction of two numbers below 2^32");
    }
    if (!options.picture && options.times.empty()) options.picture = true;
    return true;
}
