#include "programs/render/video_stream.h"

#include "programs/render/output_file.h"

namespace {

uint8_t clamp_level(int32_t value) {
    return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// Full-range BT.601 in 16-bit fixed point; each row of weights sums to
// 65536 (Y) or to 0 (Cb, Cr), so grey stays grey exactly.
void ycbcr(uint32_t rgb, uint8_t& y, uint8_t& cb, uint8_t& cr) {
    const int32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    constexpr int32_t kHalf = 1 << 15, kOffset = 128 << 16;
    y = clamp_level((19595 * r + 38470 * g + 7471 * b + kHalf) >> 16);
    cb = clamp_level((-11059 * r - 21709 * g + 32768 * b + kOffset + kHalf) >> 16);
    cr = clamp_level((32768 * r - 27439 * g - 5329 * b + kOffset + kHalf) >> 16);
}

}  // namespace

bool VideoWriter::begin(std::FILE* file, int32_t w, int32_t h, const uint32_t rate[2],
                        std::string& error) {
    out = file, width = w, height = h;
    char header[160];
    const int length =
        std::snprintf(header, sizeof header,
                      "YUV4MPEG2 W%d H%d F%u:%u Ip A1:1 %s XCOLORRANGE=FULL XCOLORMATRIX=BT601\n",
                      static_cast<int>(width * scale), static_cast<int>(height * scale),
                      static_cast<unsigned>(rate[0]), static_cast<unsigned>(rate[1]),
                      chroma420 ? "C420jpeg XYSCSS=420JPEG" : "C444 XYSCSS=444");
    return output_file_write(out, header, static_cast<size_t>(length), error);
}

bool VideoWriter::add_frame(const uint32_t* pixels, std::string& error) {
    const size_t count = static_cast<size_t>(width) * height;
    planes.resize(3 * count);
    for (size_t i = 0; i < count; ++i) {
        ycbcr(pixels[i], planes[i], planes[count + i], planes[2 * count + i]);
    }
    static const char marker[] = "FRAME\n";
    if (!output_file_write(out, marker, sizeof marker - 1, error)) return false;
    // Each plane row by row, every sample repeated across and down: the
    // chroma of 4:2:0 at half the scale of the luma.
    for (int plane = 0; plane < 3; ++plane) {
        const int32_t repeat = plane > 0 && chroma420 ? scale / 2 : scale;
        row.resize(static_cast<size_t>(width) * repeat);
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* source = &planes[plane * count + static_cast<size_t>(y) * width];
            uint8_t* sample = row.data();
            for (int32_t x = 0; x < width && repeat > 1; ++x) {
                for (int32_t k = 0; k < repeat; ++k) *sample++ = source[x];
            }
            for (int32_t k = 0; k < repeat; ++k) {
                if (!output_file_write(out, repeat > 1 ? row.data() : source, row.size(), error)) {
                    return false;
                }
            }
        }
    }
    return true;
}
