#include "programs/render/captures.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cerrno>
#include <cmath>
#include <cstring>

#include "programs/render/video_stream.h"

namespace {

// A capture goes to its file, or to standard output for "-".
bool to_stdout(const std::string& path) { return path == "-"; }

bool open_output(OutputFile& file, const std::string& path, std::string& error) {
    if (!to_stdout(path)) return output_file_open(file, path, error);
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);  // no CR before every LF byte
#endif
    return true;
}

std::FILE* stream(OutputFile& file, const std::string& path) {
    return to_stdout(path) ? stdout : output_file_stream(file);
}

bool commit_output(OutputFile& file, const std::string& path, std::string& error) {
    if (!to_stdout(path)) return output_file_commit(file, error);
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    error = std::string("cannot write to standard output: ") +
            std::strerror(errno != 0 ? errno : EIO);
    return false;
}

}  // namespace

bool captures_wanted(const RenderOptions& options) {
    return !options.apng.empty() || !options.video.empty();
}

bool captures_open(Captures& captures, const RenderOptions& options, int32_t width,
                   int32_t height, std::string& error) {
    captures.options = &options;
    captures.width = width;
    captures.height = height;
    captures.index = 0;
    const auto frames = static_cast<uint32_t>(options.times.size());
    bool ok = true;
    if (!options.apng.empty()) {
        ok = open_output(captures.apng_file, options.apng, error) &&
             apng_begin(captures.apng, stream(captures.apng_file, options.apng), width, height,
                        frames, error);
        if (options.fps > 0.0) apng_delay(1.0 / options.fps, captures.delay_num, captures.delay_den);
    }
    if (ok && !options.video.empty()) {
        uint32_t num = 1, den = 1;
        video_rate(options.fps, num, den);
        ok = open_output(captures.video_file, options.video, error) &&
             video_begin(stream(captures.video_file, options.video), width, height, num, den,
                         error);
    }
    if (!ok) captures_discard(captures);
    return ok;
}

bool captures_add(Captures& captures, const uint32_t* pixels, std::string& error) {
    const RenderOptions& options = *captures.options;
    const size_t i = captures.index++;
    if (!options.apng.empty()) {
        uint16_t num = captures.delay_num, den = captures.delay_den;
        if (options.fps <= 0.0) {
            // Shown until the next frame's clock reading; the last frame as
            // long as the one before it.
            const auto& t = options.times;
            const double shown = t.size() < 2            ? 1.0
                                 : i + 1 < t.size()      ? t[i + 1] - t[i]
                                                         : t[i] - t[i - 1];
            apng_delay(std::fabs(shown), num, den);
        }
        if (!apng_add_frame(captures.apng, pixels, num, den, error)) return false;
    }
    return options.video.empty() ||
           video_add_frame(stream(captures.video_file, options.video), pixels, captures.width,
                           captures.height, captures.planes, error);
}

bool captures_finish(Captures& captures, std::string& error) {
    const RenderOptions& options = *captures.options;
    bool ok = true;
    if (!options.apng.empty()) {
        ok = apng_end(captures.apng, error) &&
             commit_output(captures.apng_file, options.apng, error);
    }
    if (ok && !options.video.empty()) {
        ok = commit_output(captures.video_file, options.video, error);
    }
    if (!ok) captures_discard(captures);
    return ok;
}

void captures_discard(Captures& captures) {
    output_file_discard(captures.apng_file);
    output_file_discard(captures.video_file);
}
