// Writing frames as a YUV4MPEG2 stream, the raw video that encoders read
// from a pipe.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "programs/render/capture_encoder.h"

// The stream's colours: 4:4:4 (no chroma subsampling), full range (0-255),
// BT.601 matrix. The header says so (C444, XCOLORRANGE=FULL,
// XCOLORMATRIX=BT601).

// On failure, `error` holds the reason; the caller names the file.

// Writes the stream header: width x height at rate_num / rate_den frames
// per second, progressive, square pixels.
bool video_begin(std::FILE* out, int32_t width, int32_t height, uint32_t rate_num,
                 uint32_t rate_den, std::string& error);

// Writes one frame of width x height pixels 0x00RRGGBB (top byte ignored).
// `planes` is scratch space kept between calls.
bool video_add_frame(std::FILE* out, const uint32_t* pixels, int32_t width, int32_t height,
                     std::vector<uint8_t>& planes, std::string& error);

// One pixel in the stream's colours: Y, Cb, Cr.
void video_ycbcr(uint32_t rgb, uint8_t& y, uint8_t& cb, uint8_t& cr);

// A frame rate as a fraction of whole numbers: exact for whole rates and
// for rates with up to three decimals.
void video_rate(double fps, uint32_t& num, uint32_t& den);

// The render tool's capture as a YUV4MPEG2 stream at the rate of --fps.
extern const CaptureEncoder kVideoCapture;
