// Writing a frame to a PNG file, all or nothing.
#pragma once

#include <cstdint>
#include <string>

// Writes width x height pixels 0x00RRGGBB (top byte ignored) as an 8-bit RGB
// PNG, each pixel a `scale` x `scale` block. The file appears under `path`
// only when complete (output_file.h); on failure nothing is left behind, the
// result is false and `error` says why.
bool write_png_file(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height,
                    std::string& error, int32_t scale = 1);
