#include "programs/render/captures.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cerrno>
#include <cstring>

#include "programs/render/apng_file.h"
#include "programs/render/video_stream.h"

namespace {

// The encoder of each capture format.
struct EncoderEntry {
    CaptureKind kind;
    const CaptureEncoder* encoder;
};
const EncoderEntry kEncoders[] = {
    {CaptureKind::apng, &kApngCapture},
    {CaptureKind::video, &kVideoCapture},
};

const CaptureEncoder* encoder_of(CaptureKind kind) {
    for (const EncoderEntry& entry : kEncoders) {
        if (entry.kind == kind) return entry.encoder;
    }
    return nullptr;
}

// Every failure of a capture's encoder, or of standard output, is told here:
// the reason after the name of the output it concerns.
bool failed(const CaptureOutput& output, std::string reason, std::string& error) {
    error = "cannot write " +
            (output.to_stdout ? std::string("to standard output") : output.capture->path) + ": " +
            reason;
    return false;
}

bool open_output(CaptureOutput& output, std::string& error) {
    if (!output.to_stdout) return output_file_open(output.file, output.capture->path, error, true);
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);  // no CR before every LF byte
#endif
    return true;
}

std::FILE* stream_of(CaptureOutput& output) {
    return output.to_stdout ? stdout : output_file_stream(output.file);
}

bool commit_output(CaptureOutput& output, std::string& error) {
    if (!output.to_stdout) return output_file_commit(output.file, error);
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    return failed(output, std::strerror(errno != 0 ? errno : EIO), error);
}

}  // namespace

bool capture_to_stdout(const std::string& path) {
    return path == "-" || output_file_is_stdout(path);
}

bool captures_to_stdout(const RenderOptions& options) {
    for (const Capture& capture : options.captures) {
        if (capture_to_stdout(capture.path)) return true;
    }
    return false;
}

bool captures_check(const RenderOptions& options, const std::string& picture_path,
                    std::string& error) {
    const std::vector<Capture>& captures = options.captures;
    for (const Capture& capture : captures) {
        if (!capture_to_stdout(capture.path) && !output_file_check(capture.path, error)) {
            return false;
        }
    }
    for (size_t i = 0; i < captures.size(); ++i) {
        for (size_t j = i + 1; j < captures.size(); ++j) {
            const Capture &a = captures[i], &b = captures[j];
            const bool a_out = capture_to_stdout(a.path), b_out = capture_to_stdout(b.path);
            const std::string names =
                std::string(capture_option_name(a.kind)) + " and " + capture_option_name(b.kind);
            if (a_out && b_out) {
                error = "only one of " + names + " can go to standard output";
                return false;
            }
            if (!a_out && !b_out && output_file_same(a.path, b.path)) {
                error = names + " name the same file: " + b.path;
                return false;
            }
        }
    }
    for (const Capture& capture : captures) {
        if (options.picture && !capture_to_stdout(capture.path) &&
            output_file_same(capture.path, picture_path)) {
            error = "the capture " + capture.path + " is the set-up picture's file " + picture_path;
            return false;
        }
    }
    return true;
}

bool captures_wanted(const RenderOptions& options) { return !options.captures.empty(); }

bool captures_open(Captures& captures, const RenderOptions& options, int32_t width, int32_t height,
                   std::string& error) {
    captures.frames = CaptureFrames{width, height, &options.times, options.fps};
    // Every output in place before any is opened: an open one is never copied.
    captures.outputs.clear();
    captures.outputs.resize(options.captures.size());
    for (size_t i = 0; i < options.captures.size(); ++i) {
        CaptureOutput& output = captures.outputs[i];
        output.capture = &options.captures[i];
        output.encoder = encoder_of(output.capture->kind);
        output.to_stdout = capture_to_stdout(output.capture->path);
        if (!output.encoder) {
            error = "no encoder for " + std::string(capture_option_name(output.capture->kind));
            return false;
        }
    }
    for (CaptureOutput& output : captures.outputs) {
        const bool ok =
            open_output(output, error) &&
            (output.encoder->begin(output.state, stream_of(output), captures.frames, error) ||
             failed(output, error, error));
        if (!ok) {
            captures_discard(captures);
            return false;
        }
    }
    return true;
}

bool captures_add(Captures& captures, const uint32_t* pixels, std::string& error) {
    for (CaptureOutput& output : captures.outputs) {
        if (!output.encoder->add_frame(output.state.get(), pixels, error)) {
            return failed(output, error, error);
        }
    }
    return true;
}

bool captures_finish(Captures& captures, std::string& error) {
    for (CaptureOutput& output : captures.outputs) {
        const bool ok =
            (output.encoder->end(output.state.get(), error) || failed(output, error, error)) &&
            commit_output(output, error);
        if (!ok) {
            captures_discard(captures);
            return false;
        }
    }
    return true;
}

void captures_discard(Captures& captures) {
    for (CaptureOutput& output : captures.outputs) output_file_discard(output.file);
}
