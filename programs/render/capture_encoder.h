// What a capture format provides to the render tool: a stream begun on an
// open file, the frames added one after the other, then ended.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// What an encoder is told when it begins: the frames' size, their clock
// readings in the order they come, and the rate of --fps (0 when not given).
struct CaptureFrames {
    int32_t width = 0;
    int32_t height = 0;
    const std::vector<double>* times = nullptr;
    double fps = 0.0;
};

// On failure an operation leaves the reason in `error`; the caller names the
// file.
struct CaptureEncoder {
    // Writes the stream's start to `out`, keeping what the encoder needs
    // between calls in `state`.
    bool (*begin)(std::shared_ptr<void>& state, std::FILE* out, const CaptureFrames& frames,
                  std::string& error);
    // Adds the next frame: pixels 0x00RRGGBB, top byte ignored.
    bool (*add_frame)(void* state, const uint32_t* pixels, std::string& error);
    // Completes the stream once every frame is in.
    bool (*end)(void* state, std::string& error);
};
