// The render tool's captures: the frames as an animated PNG (--apng), a
// video stream (--video), or both, each to a file or standard output.
#pragma once

#include <cstdint>
#include <string>

#include "programs/render/apng_file.h"
#include "programs/render/output_file.h"
#include "programs/render/render_options.h"
#include "programs/render/video_stream.h"

struct CaptureFile {
    std::string path;  // empty when the capture is not asked for
    bool to_stdout = false;
    OutputFile file;  // unused on standard output
};

struct Captures {
    CaptureFile apng_file, video_file;
    ApngWriter apng;
    VideoWriter video;
};

// Each of these fails with a message naming the file and the reason; an
// output not finished is removed when the Captures go out of scope.

// True when a capture path means standard output: "-", or a name of the file
// standard output writes (such as /dev/stdout).
bool capture_to_stdout(const std::string& path);
// Checks the capture paths before anything is rendered: each must be a file
// that can be written, at most one may go to standard output, and no two
// outputs (the captures, and the set-up picture's file when it is written)
// may be the same file.
bool captures_check(const RenderOptions& options, const std::string& picture_path,
                    std::string& error);
// Opens the outputs asked for and writes their headers.
bool captures_open(Captures& captures, const RenderOptions& options, int32_t width,
                   int32_t height, std::string& error);
// Adds the next frame to each.
bool captures_add(Captures& captures, const uint32_t* pixels, std::string& error);
// Completes the outputs: they appear under their names only now.
bool captures_finish(Captures& captures, std::string& error);
