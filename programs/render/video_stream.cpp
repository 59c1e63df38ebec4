#include "programs/render/video_stream.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>

namespace {

// Full-range BT.601 in 16-bit fixed point; each row of weights sums to
// 65536 (Y) or to 0 (Cb, Cr), so grey stays grey exactly.
uint8_t clamp_level(int32_t value) {
    return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

bool write_bytes(std::FILE* out, const void* data, size_t size, std::string& error) {
    if (std::fwrite(data, 1, size, out) == size) return true;
    error = std::strerror(errno != 0 ? errno : EIO);
    return false;
}

}  // namespace

void video_ycbcr(uint32_t rgb, uint8_t& y, uint8_t& cb, uint8_t& cr) {
    const int32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    constexpr int32_t kHalf = 1 << 15, kOffset = 128 << 16;
    y = clamp_level((19595 * r + 38470 * g + 7471 * b + kHalf) >> 16);
    cb = clamp_level((-11059 * r - 21709 * g + 32768 * b + kOffset + kHalf) >> 16);
    cr = clamp_level((32768 * r - 27439 * g - 5329 * b + kOffset + kHalf) >> 16);
}

bool video_begin(std::FILE* out, int32_t width, int32_t height, uint32_t rate_num,
                 uint32_t rate_den, std::string& error) {
    char header[160];
    const int length = std::snprintf(
        header, sizeof header,
        "YUV4MPEG2 W%d H%d F%u:%u Ip A1:1 C444 XYSCSS=444 XCOLORRANGE=FULL XCOLORMATRIX=BT601\n",
        static_cast<int>(width), static_cast<int>(height), static_cast<unsigned>(rate_num),
        static_cast<unsigned>(rate_den));
    return write_bytes(out, header, static_cast<size_t>(length), error);
}

bool video_add_frame(std::FILE* out, const uint32_t* pixels, int32_t width, int32_t height,
                     std::vector<uint8_t>& planes, std::string& error) {
    const size_t count = static_cast<size_t>(width) * height;
    planes.resize(3 * count);
    for (size_t i = 0; i < count; ++i) {
        video_ycbcr(pixels[i], planes[i], planes[count + i], planes[2 * count + i]);
    }
    static const char marker[] = "FRAME\n";
    return write_bytes(out, marker, sizeof marker - 1, error) &&
           write_bytes(out, planes.data(), planes.size(), error);
}

void video_rate(double fps, uint32_t& num, uint32_t& den) {
    den = std::nearbyint(fps) == fps || fps >= 4000000.0 ? 1 : 1000;
    const double scaled = std::nearbyint(fps * den);
    num = scaled < 1.0 ? 1 : scaled > 4294967295.0 ? 4294967295u : static_cast<uint32_t>(scaled);
    const uint32_t common = std::gcd(num, den);
    num /= common, den /= common;
}

namespace {

struct VideoCapture {
    std::FILE* out = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> planes;
};

bool capture_begin(std::shared_ptr<void>& state, std::FILE* out, const CaptureFrames& frames,
                   std::string& error) {
    auto capture = std::make_shared<VideoCapture>();
    state = capture;
    capture->out = out;
    capture->width = frames.width;
    capture->height = frames.height;
    uint32_t num = 1, den = 1;
    video_rate(frames.fps, num, den);
    return video_begin(out, frames.width, frames.height, num, den, error);
}

bool capture_add_frame(void* state, const uint32_t* pixels, std::string& error) {
    auto& capture = *static_cast<VideoCapture*>(state);
    return video_add_frame(capture.out, pixels, capture.width, capture.height, capture.planes,
                           error);
}

bool capture_end(void*, std::string&) { return true; }

}  // namespace

const CaptureEncoder kVideoCapture = {
    .begin = capture_begin,
    .add_frame = capture_add_frame,
    .end = capture_end,
};
