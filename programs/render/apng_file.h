// Writing frames as one animated PNG (APNG) to an open stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "programs/render/capture_encoder.h"

// An animation being written: 8-bit RGBA, every shown pixel opaque, looping
// forever. The first frame is also the file's still picture, for viewers that
// show no animation; each later frame stores only the rectangle that differs
// from the frame before it, drawn over it, with the pixels that did not
// change fully transparent.
// The deflate level of the frames' data: chosen by measuring the demo's own
// frames (bench_apng), where level 6 gave files about 2% larger than level 9
// in a fifth of the time.
inline constexpr int kApngDeflateLevel = 6;

struct ApngWriter {
    std::FILE* out = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t frames_left = 0;
    uint32_t sequence = 0;          // the next fcTL/fdAT sequence number
    std::vector<uint32_t> previous;  // the last frame written, 0x00RRGGBB
    int deflate_level = kApngDeflateLevel;  // 1 (fastest) to 9 (smallest)
};

// On failure, `error` holds the reason; the caller names the file.

// Writes the signature and header for `frame_count` frames of width x height;
// the writer starts afresh, keeping only its deflate level.
bool apng_begin(ApngWriter& writer, std::FILE* out, int32_t width, int32_t height,
                uint32_t frame_count, std::string& error);

// Adds the next frame (pixels 0x00RRGGBB, top byte ignored), shown for
// delay_num / delay_den seconds.
bool apng_add_frame(ApngWriter& writer, const uint32_t* pixels, uint16_t delay_num,
                    uint16_t delay_den, std::string& error);

// Ends the file; fails when fewer frames were added than announced.
bool apng_end(ApngWriter& writer, std::string& error);

// A frame time in seconds as the fraction an APNG frame control holds
// (numerator and denominator up to 65535), as close as they allow.
void apng_delay(double seconds, uint16_t& num, uint16_t& den);

// The render tool's capture as an animated PNG: each frame shown for 1/F s
// with --fps F, otherwise until the next frame's clock reading (the last as
// long as the one before it, a lone frame for 1 s).
extern const CaptureEncoder kApngCapture;
