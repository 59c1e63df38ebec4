// PNG files: a frame as a picture, and frames as one animated PNG (APNG).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Writes width x height pixels 0x00RRGGBB (top byte ignored) as an 8-bit RGB
// PNG, each pixel a `scale` x `scale` block. The file appears under `path`
// only when complete (output_file.h); on failure nothing is left behind, the
// result is false and `error` says why.
bool write_png_file(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height,
                    std::string& error, int32_t scale = 1);

// An animation being written: 8-bit RGBA, every shown pixel opaque, looping
// forever; the first frame is also the still picture for viewers that show
// no animation. On failure, `error` holds the reason; the caller names the
// file.
struct ApngWriter {
    // 1 (fastest) to 9 (smallest): on the demo's own frames (bench_apng),
    // level 6 gave files about 2% larger than level 9 in a fifth of the time.
    int deflate_level = 6;
    int32_t scale = 1;  // every pixel an N x N block

    // Writes the signature and header for one frame per clock reading in
    // `times` (kept until the end). Each is shown for 1/fps s when fps > 0,
    // otherwise until the next reading (the last as long as the one before
    // it, a lone frame for 1 s).
    bool begin(std::FILE* out, int32_t width, int32_t height, const std::vector<double>& times,
               double fps, std::string& error);
    // Adds the next frame: pixels 0x00RRGGBB, top byte ignored.
    bool add_frame(const uint32_t* pixels, std::string& error);
    // Ends the file; fails when fewer frames were added than announced.
    bool end(std::string& error);

    std::FILE* out = nullptr;
    int32_t width = 0, height = 0;
    const std::vector<double>* times = nullptr;
    double fps = 0.0;
    uint32_t frames_done = 0;
    uint32_t sequence = 0;           // the next fcTL/fdAT sequence number
    std::vector<uint32_t> previous;  // the last frame written, 0x00RRGGBB, unscaled
};
