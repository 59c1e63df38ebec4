// The render tool's captures: the frames as an animated PNG (--apng) or a
// video stream (--video), each to a file or standard output. Failures come
// with a message naming the output and the reason; an output not finished
// is removed when the Captures go out of scope.
#pragma once

#include <cstdint>
#include <string>

#include "programs/render/apng_file.h"
#include "programs/render/output_file.h"
#include "programs/render/render_options.h"
#include "programs/render/video_stream.h"

struct CaptureFile {
    std::string path;  // empty when not asked for
    bool to_stdout = false;
    OutputFile file;  // unused on standard output
    std::FILE* stream = nullptr;
};

struct Captures {
    CaptureFile apng_file, video_file;
    ApngWriter apng;
    VideoWriter video;
};

// "-", or a name of the file standard output writes (such as /dev/stdout).
bool capture_to_stdout(const std::string& path);
// Before anything is rendered: each capture file can be written, at most one
// capture goes to standard output, and no two outputs (the captures, and the
// set-up picture's file when it is written) are the same file.
bool captures_check(const RenderOptions& options, const std::string& picture_path,
                    std::string& error);
// Opens the outputs asked for and writes their headers.
bool captures_open(Captures& captures, const RenderOptions& options, int32_t width,
                   int32_t height, std::string& error);
bool captures_add(Captures& captures, const uint32_t* pixels, std::string& error);
// Completes the outputs: they appear under their names only now.
bool captures_finish(Captures& captures, std::string& error);
