// Writing frames as a YUV4MPEG2 stream, the raw video that encoders read
// from a pipe: 4:4:4 (no chroma subsampling), full range (0-255), BT.601
// matrix, as the header says (C444, XCOLORRANGE=FULL, XCOLORMATRIX=BT601).
// With `chroma420` the chroma is 4:2:0 (C420jpeg, sited at the centre of
// each 2 x 2 block), taken only at an even `scale`: every block then lies
// inside one source pixel, so no colour is mixed or lost.
// On failure, `error` holds the reason; the caller names the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct VideoWriter {
    int32_t scale = 1;  // every pixel an N x N block
    bool chroma420 = false;

    // Writes the stream header: width x height (times the scale) at
    // rate[0] / rate[1] frames per second, progressive, square pixels.
    bool begin(std::FILE* out, int32_t width, int32_t height, const uint32_t rate[2],
               std::string& error);
    // Writes the next frame: pixels 0x00RRGGBB, top byte ignored.
    bool add_frame(const uint32_t* pixels, std::string& error);

    std::FILE* out = nullptr;
    int32_t width = 0, height = 0;
    std::vector<uint8_t> planes;  // Y, Cb and Cr of a frame, unscaled
    std::vector<uint8_t> row;     // a scaled row of one plane
};
