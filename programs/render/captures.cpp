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

// An encoder's failure, naming the output it was writing.
bool named_failure(const std::string& path, bool to_stdout, std::string& error) {
    error = "cannot write " + (to_stdout ? std::string("to standard output") : path) + ": " + error;
    return false;
}

bool open_output(OutputFile& file, const std::string& path, bool to_stdout, std::string& error) {
    if (!to_stdout) return output_file_open(file, path, error, true);
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);  // no CR before every LF byte
#endif
    return true;
}

std::FILE* stream(OutputFile& file, bool to_stdout) {
    return to_stdout ? stdout : output_file_stream(file);
}

bool commit_output(OutputFile& file, bool to_stdout, std::string& error) {
    if (!to_stdout) return output_file_commit(file, error);
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    error = std::string("cannot write to standard output: ") +
            std::strerror(errno != 0 ? errno : EIO);
    return false;
}

}  // namespace

bool capture_to_stdout(const std::string& path) {
    return path == "-" || output_file_is_stdout(path);
}

bool captures_check(const RenderOptions& options, const std::string& picture_path,
                    std::string& error) {
    const std::string* captures[] = {&options.apng, &options.video};
    for (const std::string* path : captures) {
        if (!path->empty() && !capture_to_stdout(*path) && !output_file_check(*path, error)) {
            return false;
        }
    }
    if (!options.apng.empty() && !options.video.empty() && capture_to_stdout(options.apng) &&
        capture_to_stdout(options.video)) {
        error = "only one of --apng and --video can go to standard output";
        return false;
    }
    if (!options.apng.empty() && !options.video.empty() && !capture_to_stdout(options.apng) &&
        !capture_to_stdout(options.video) && output_file_same(options.apng, options.video)) {
        error = "--apng and --video name the same file: " + options.video;
        return false;
    }
    for (const std::string* path : captures) {
        if (options.picture && !path->empty() && !capture_to_stdout(*path) &&
            output_file_same(*path, picture_path)) {
            error = "the capture " + *path + " is the set-up picture's file " + picture_path;
            return false;
        }
    }
    return true;
}

bool captures_wanted(const RenderOptions& options) {
    return !options.apng.empty() || !options.video.empty();
}

bool captures_open(Captures& captures, const RenderOptions& options, int32_t width,
                   int32_t height, std::string& error) {
    captures.options = &options;
    captures.width = width;
    captures.height = height;
    captures.index = 0;
    captures.apng_stdout = capture_to_stdout(options.apng);
    captures.video_stdout = capture_to_stdout(options.video);
    const auto frames = static_cast<uint32_t>(options.times.size());
    bool ok = true;
    if (!options.apng.empty()) {
        const bool out = captures.apng_stdout;
        ok = open_output(captures.apng_file, options.apng, out, error) &&
             (apng_begin(captures.apng, stream(captures.apng_file, out), width, height, frames,
                         error) ||
              named_failure(options.apng, out, error));
        if (options.fps > 0.0) apng_delay(1.0 / options.fps, captures.delay_num, captures.delay_den);
    }
    if (ok && !options.video.empty()) {
        uint32_t num = 1, den = 1;
        video_rate(options.fps, num, den);
        const bool out = captures.video_stdout;
        ok = open_output(captures.video_file, options.video, out, error) &&
             (video_begin(stream(captures.video_file, out), width, height, num, den, error) ||
              named_failure(options.video, out, error));
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
        if (!apng_add_frame(captures.apng, pixels, num, den, error)) {
            return named_failure(options.apng, captures.apng_stdout, error);
        }
    }
    return options.video.empty() ||
           video_add_frame(stream(captures.video_file, captures.video_stdout), pixels,
                           captures.width, captures.height, captures.planes, error) ||
           named_failure(options.video, captures.video_stdout, error);
}

bool captures_finish(Captures& captures, std::string& error) {
    const RenderOptions& options = *captures.options;
    bool ok = true;
    if (!options.apng.empty()) {
        ok = (apng_end(captures.apng, error) ||
              named_failure(options.apng, captures.apng_stdout, error)) &&
             commit_output(captures.apng_file, captures.apng_stdout, error);
    }
    if (ok && !options.video.empty()) {
        ok = commit_output(captures.video_file, captures.video_stdout, error);
    }
    if (!ok) captures_discard(captures);
    return ok;
}

void captures_discard(Captures& captures) {
    output_file_discard(captures.apng_file);
    output_file_discard(captures.video_file);
}
