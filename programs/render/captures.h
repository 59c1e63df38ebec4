// The render tool's captures: the selected frames as one animated PNG
// and/or one YUV4MPEG2 stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "programs/render/apng_file.h"
#include "programs/render/output_file.h"
#include "programs/render/render_options.h"

struct Captures {
    const RenderOptions* options = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    OutputFile apng_file;   // unused when the animation goes to standard output
    OutputFile video_file;  // unused when the video goes to standard output
    bool apng_stdout = false;  // the animation goes to standard output
    bool video_stdout = false;
    ApngWriter apng;
    std::vector<uint8_t> planes;
    uint16_t delay_num = 0;  // the frame time of --fps
    uint16_t delay_den = 1;
    size_t index = 0;        // the next frame
};

// True when the options ask for a capture.
bool captures_wanted(const RenderOptions& options);
// True when a capture path means standard output: "-", or a name of the file
// standard output writes (such as /dev/stdout).
bool capture_to_stdout(const std::string& path);
// Checks the capture paths before anything is rendered: each must be a file
// that can be written, and no two outputs (the captures, and the set-up
// picture's file when it is written) may be the same file.
bool captures_check(const RenderOptions& options, const std::string& picture_path,
                    std::string& error);
// Opens the outputs and writes their headers; on failure nothing is left.
bool captures_open(Captures& captures, const RenderOptions& options, int32_t width,
                   int32_t height, std::string& error);
// Adds the next of the options' frames.
bool captures_add(Captures& captures, const uint32_t* pixels, std::string& error);
// Completes the outputs: they appear under their names only now.
bool captures_finish(Captures& captures, std::string& error);
// Abandons the outputs, leaving no file behind.
void captures_discard(Captures& captures);
