#include "programs/render/captures.h"

#include <cerrno>
#include <cstring>

namespace {

// A writer's failure, told after the name of the output.
bool failed(const CaptureFile& capture, const std::string& reason, std::string& error) {
    error = "cannot write " + (capture.to_stdout ? "to standard output" : capture.path) + ": " +
            reason;
    return false;
}

bool open(CaptureFile& capture, const std::string& path, std::string& error) {
    capture.path = path;
    capture.to_stdout = capture_to_stdout(path);
    if (capture.to_stdout) output_file_binary_stdout();
    if (!capture.to_stdout && !output_file_open(capture.file, path, error, true)) return false;
    capture.stream = capture.to_stdout ? stdout : capture.file.stream;
    return true;
}

bool commit(CaptureFile& capture, std::string& error) {
    if (!capture.to_stdout) return output_file_commit(capture.file, error);
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    return failed(capture, std::strerror(errno != 0 ? errno : EIO), error);
}

}  // namespace

bool capture_to_stdout(const std::string& path) {
    return path == "-" || output_file_is_stdout(path);
}

bool captures_check(const RenderOptions& options, const std::string& picture_path,
                    std::string& error) {
    const std::string &apng = options.apng, &video = options.video;
    const bool apng_file = !apng.empty() && !capture_to_stdout(apng);
    const bool video_file = !video.empty() && !capture_to_stdout(video);
    if ((apng_file && !output_file_check(apng, error)) ||
        (video_file && !output_file_check(video, error))) {
        return false;
    }
    if (capture_to_stdout(apng) && capture_to_stdout(video)) {
        error = "only one of --apng and --video can go to standard output";
    } else if (apng_file && video_file && output_file_same(apng, video)) {
        error = "--apng and --video name the same file: " + video;
    } else if (options.picture && apng_file && output_file_same(apng, picture_path)) {
        error = "the capture " + apng + " is the set-up picture's file " + picture_path;
    } else if (options.picture && video_file && output_file_same(video, picture_path)) {
        error = "the capture " + video + " is the set-up picture's file " + picture_path;
    } else {
        return true;
    }
    return false;
}

bool captures_open(Captures& captures, const RenderOptions& options, int32_t width,
                   int32_t height, std::string& error) {
    CaptureFile &apng = captures.apng_file, &video = captures.video_file;
    captures.apng.scale = captures.video.scale = options.scale;
    captures.video.chroma420 = options.chroma == 420;
    if (!options.apng.empty() &&
        !(open(apng, options.apng, error) &&
          (captures.apng.begin(apng.stream, width, height, options.times, options.fps, error) ||
           failed(apng, error, error)))) {
        return false;
    }
    return options.video.empty() ||
           (open(video, options.video, error) &&
            (captures.video.begin(video.stream, width, height, options.video_rate, error) ||
             failed(video, error, error)));
}

bool captures_add(Captures& captures, const uint32_t* pixels, std::string& error) {
    CaptureFile &apng = captures.apng_file, &video = captures.video_file;
    return (apng.path.empty() || captures.apng.add_frame(pixels, error) ||
            failed(apng, error, error)) &&
           (video.path.empty() || captures.video.add_frame(pixels, error) ||
            failed(video, error, error));
}

bool captures_finish(Captures& captures, std::string& error) {
    CaptureFile &apng = captures.apng_file, &video = captures.video_file;
    return (apng.path.empty() ||
            ((captures.apng.end(error) || failed(apng, error, error)) && commit(apng, error))) &&
           (video.path.empty() || commit(video, error));
}
