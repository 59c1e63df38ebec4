#include "programs/render/apng_file.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

constexpr int kBytesPerPixel = 4;

void put32(std::vector<uint8_t>& bytes, uint32_t value) {
    bytes.push_back(static_cast<uint8_t>(value >> 24));
    bytes.push_back(static_cast<uint8_t>(value >> 16));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
    bytes.push_back(static_cast<uint8_t>(value));
}

void put16(std::vector<uint8_t>& bytes, uint16_t value) {
    bytes.push_back(static_cast<uint8_t>(value >> 8));
    bytes.push_back(static_cast<uint8_t>(value));
}

bool write_bytes(std::FILE* out, const void* data, size_t size, std::string& error) {
    if (size == 0 || std::fwrite(data, 1, size, out) == size) return true;
    error = std::strerror(errno != 0 ? errno : EIO);
    return false;
}

// One chunk: length, type, data, and the CRC of type and data.
bool write_chunk(std::FILE* out, const char type[5], const uint8_t* data, size_t size,
                 std::string& error) {
    std::vector<uint8_t> head;
    put32(head, static_cast<uint32_t>(size));
    head.insert(head.end(), type, type + 4);
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
    // crc32 takes a uInt length: feed large data in pieces.
    for (size_t done = 0; done < size;) {
        const size_t piece = std::min<size_t>(size - done, 1u << 30);
        crc = crc32(crc, data + done, static_cast<uInt>(piece));
        done += piece;
    }
    std::vector<uint8_t> tail;
    put32(tail, static_cast<uint32_t>(crc));
    return write_bytes(out, head.data(), head.size(), error) &&
           write_bytes(out, data, size, error) &&
           write_bytes(out, tail.data(), tail.size(), error);
}

bool write_chunk(std::FILE* out, const char type[5], const std::vector<uint8_t>& data,
                 std::string& error) {
    return write_chunk(out, type, data.data(), data.size(), error);
}

// The scanlines of a rectangle, 8-bit RGBA. Without a base frame every pixel
// is stored opaque, each row with the filter "up" (the difference to the row
// above), which packs a whole frame of the demo best. Against a base frame a
// pixel equal to the base's is stored fully transparent (0,0,0,0), so drawn
// over the base it leaves it as it is, and the runs of unchanged pixels pack
// to almost nothing; those rows are stored unfiltered, which measured smaller
// than "up", "sub", "Paeth" or a choice per row, as the changed pixels that
// border transparent ones predict each other poorly.
std::vector<uint8_t> filtered_rows(const uint32_t* pixels, const uint32_t* base, int32_t stride,
                                   int32_t left, int32_t top, int32_t width, int32_t height) {
    constexpr uint8_t kFilterNone = 0, kFilterUp = 2;
    const size_t row_bytes = static_cast<size_t>(width) * kBytesPerPixel;
    std::vector<uint8_t> out;
    out.reserve((row_bytes + 1) * static_cast<size_t>(height));
    std::vector<uint8_t> prior(row_bytes, 0), row(row_bytes);
    for (int32_t y = 0; y < height; ++y) {
        const size_t at = static_cast<size_t>(top + y) * stride + left;
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t pixel = pixels[at + x];
            uint8_t* stored = &row[kBytesPerPixel * static_cast<size_t>(x)];
            if (base != nullptr && ((pixel ^ base[at + x]) & 0xFFFFFFu) == 0) {
                stored[0] = stored[1] = stored[2] = stored[3] = 0;
            } else {
                stored[0] = static_cast<uint8_t>(pixel >> 16);
                stored[1] = static_cast<uint8_t>(pixel >> 8);
                stored[2] = static_cast<uint8_t>(pixel);
                stored[3] = 255;
            }
        }
        if (base != nullptr) {
            out.push_back(kFilterNone);
            out.insert(out.end(), row.begin(), row.end());
            continue;
        }
        out.push_back(kFilterUp);
        for (size_t i = 0; i < row_bytes; ++i) out.push_back(static_cast<uint8_t>(row[i] - prior[i]));
        prior.swap(row);
    }
    return out;
}

bool deflate_all(const std::vector<uint8_t>& input, int level, std::vector<uint8_t>& output,
                 std::string& error) {
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
        error = "cannot start the deflate encoder";
        return false;
    }
    output.resize(deflateBound(&stream, static_cast<uLong>(input.size())));
    stream.next_in = const_cast<Bytef*>(input.data());
    stream.avail_in = static_cast<uInt>(input.size());
    stream.next_out = output.data();
    stream.avail_out = static_cast<uInt>(output.size());
    const int result = deflate(&stream, Z_FINISH);
    output.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        error = "the deflate encoder failed";
        return false;
    }
    return true;
}

}  // namespace

bool apng_begin(ApngWriter& writer, std::FILE* out, int32_t width, int32_t height,
                uint32_t frame_count, std::string& error) {
    if (width < 1 || height < 1 || frame_count < 1 || frame_count > 0x7FFFFFFFu) {
        error = "an animation needs a size and at least one frame";
        return false;
    }
    const int level = writer.deflate_level;
    writer = ApngWriter{};
    writer.deflate_level = level;
    writer.out = out;
    writer.width = width;
    writer.height = height;
    writer.frames_left = frame_count;
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    put32(header, static_cast<uint32_t>(width));
    put32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, deflate, no interlace
    std::vector<uint8_t> control;
    put32(control, frame_count);
    put32(control, 0);  // loop forever
    return write_bytes(out, signature, sizeof signature, error) &&
           write_chunk(out, "IHDR", header, error) && write_chunk(out, "acTL", control, error);
}

bool apng_add_frame(ApngWriter& writer, const uint32_t* pixels, uint16_t delay_num,
                    uint16_t delay_den, std::string& error) {
    if (writer.frames_left == 0) {
        error = "more frames than the animation announced";
        return false;
    }
    const int32_t w = writer.width, h = writer.height;
    const bool first = writer.previous.empty();
    int32_t left = 0, top = 0, right = w, bottom = h;  // the rectangle stored
    if (!first) {
        right = -1, bottom = -1, left = w, top = h;
        for (int32_t y = 0; y < h; ++y) {
            const uint32_t* now = pixels + static_cast<size_t>(y) * w;
            const uint32_t* before = writer.previous.data() + static_cast<size_t>(y) * w;
            for (int32_t x = 0; x < w; ++x) {
                if (((now[x] ^ before[x]) & 0xFFFFFFu) == 0) continue;
                left = std::min(left, x), right = std::max(right, x + 1);
                top = std::min(top, y), bottom = std::max(bottom, y + 1);
            }
        }
        if (right < 0) left = 0, top = 0, right = 1, bottom = 1;  // unchanged: one pixel
    }
    std::vector<uint8_t> control;
    put32(control, writer.sequence++);
    put32(control, static_cast<uint32_t>(right - left));
    put32(control, static_cast<uint32_t>(bottom - top));
    put32(control, static_cast<uint32_t>(left));
    put32(control, static_cast<uint32_t>(top));
    put16(control, delay_num);
    put16(control, delay_den);
    control.push_back(0);  // dispose: none, the frame stays as the next one's base
    // Blend: the first frame replaces the empty canvas; later ones are drawn
    // over the frame before, their transparent pixels keeping it.
    control.push_back(first ? 0 : 1);
    std::vector<uint8_t> compressed;
    const uint32_t* base = first ? nullptr : writer.previous.data();
    if (!deflate_all(filtered_rows(pixels, base, w, left, top, right - left, bottom - top),
                     writer.deflate_level, compressed, error)) {
        return false;
    }
    bool ok = write_chunk(writer.out, "fcTL", control, error);
    if (ok && first) {
        ok = write_chunk(writer.out, "IDAT", compressed, error);
    } else if (ok) {
        std::vector<uint8_t> data;
        data.reserve(compressed.size() + 4);
        put32(data, writer.sequence++);
        data.insert(data.end(), compressed.begin(), compressed.end());
        ok = write_chunk(writer.out, "fdAT", data, error);
    }
    if (!ok) return false;
    writer.previous.assign(pixels, pixels + static_cast<size_t>(w) * h);
    --writer.frames_left;
    return true;
}

bool apng_end(ApngWriter& writer, std::string& error) {
    if (writer.frames_left != 0) {
        error = "the animation ended " + std::to_string(writer.frames_left) + " frames early";
        return false;
    }
    return write_chunk(writer.out, "IEND", nullptr, 0, error);
}

void apng_delay(double seconds, uint16_t& num, uint16_t& den) {
    num = 0, den = 1;
    if (!(seconds > 0.0)) return;
    if (seconds >= 65535.0) {
        num = 65535;
        return;
    }
    double best_error = seconds;
    for (uint32_t d = 1; d <= 65535; ++d) {
        const double n = std::nearbyint(seconds * d);
        if (n > 65535.0) break;
        const double e = std::fabs(n / d - seconds);
        if (e < best_error) {
            best_error = e, num = static_cast<uint16_t>(n), den = static_cast<uint16_t>(d);
            if (e == 0.0) break;
        }
    }
}

namespace {

struct ApngCapture {
    ApngWriter writer;
    const std::vector<double>* times = nullptr;
    bool steady = false;     // every frame shown for 1/F s
    uint16_t delay_num = 0;  // that frame time
    uint16_t delay_den = 1;
    size_t index = 0;  // the next frame
};

bool capture_begin(std::shared_ptr<void>& state, std::FILE* out, const CaptureFrames& frames,
                   std::string& error) {
    auto capture = std::make_shared<ApngCapture>();
    state = capture;
    capture->times = frames.times;
    capture->steady = frames.fps > 0.0;
    if (capture->steady) apng_delay(1.0 / frames.fps, capture->delay_num, capture->delay_den);
    return apng_begin(capture->writer, out, frames.width, frames.height,
                      static_cast<uint32_t>(frames.times->size()), error);
}

bool capture_add_frame(void* state, const uint32_t* pixels, std::string& error) {
    auto& capture = *static_cast<ApngCapture*>(state);
    const size_t i = capture.index++;
    uint16_t num = capture.delay_num, den = capture.delay_den;
    if (!capture.steady) {
        const std::vector<double>& t = *capture.times;
        const double shown = t.size() < 2       ? 1.0
                             : i + 1 < t.size() ? t[i + 1] - t[i]
                                                : t[i] - t[i - 1];
        apng_delay(std::fabs(shown), num, den);
    }
    return apng_add_frame(capture.writer, pixels, num, den, error);
}

bool capture_end(void* state, std::string& error) {
    return apng_end(static_cast<ApngCapture*>(state)->writer, error);
}

}  // namespace

const CaptureEncoder kApngCapture = {
    .begin = capture_begin,
    .add_frame = capture_add_frame,
    .end = capture_end,
};
