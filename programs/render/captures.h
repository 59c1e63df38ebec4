// The render tool's captures: the selected frames written by every capture
// asked for, each through its format's encoder.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "programs/render/capture_encoder.h"
#include "programs/render/output_file.h"
#include "programs/render/render_options.h"

// One capture being written.
struct CaptureOutput {
    const Capture* capture = nullptr;  // its kind and path, in the options
    const CaptureEncoder* encoder = nullptr;
    bool to_stdout = false;       // it goes to standard output
    OutputFile file;              // unused when it goes to standard output
    std::shared_ptr<void> state;  // the encoder's
};

struct Captures {
    CaptureFrames frames;
    std::vector<CaptureOutput> outputs;
};

// True when the options ask for a capture.
bool captures_wanted(const RenderOptions& options);
// True when a capture path means standard output: "-", or a name of the file
// standard output writes (such as /dev/stdout).
bool capture_to_stdout(const std::string& path);
// True when one of the options' captures goes to standard output.
bool captures_to_stdout(const RenderOptions& options);
// Checks the capture paths before anything is rendered: each must be a file
// that can be written, and no two outputs (the captures, and the set-up
// picture's file when it is written) may be the same file.
bool captures_check(const RenderOptions& options, const std::string& picture_path,
                    std::string& error);
// Opens the outputs and writes their headers; on failure nothing is left.
bool captures_open(Captures& captures, const RenderOptions& options, int32_t width, int32_t height,
                   std::string& error);
// Adds the next of the options' frames.
bool captures_add(Captures& captures, const uint32_t* pixels, std::string& error);
// Completes the outputs: they appear under their names only now.
bool captures_finish(Captures& captures, std::string& error);
// Abandons the outputs, leaving no file behind.
void captures_discard(Captures& captures);
