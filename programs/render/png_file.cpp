// PNG files, written with zlib.
#include "programs/render/png_file.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <new>

#include "programs/render/output_file.h"

namespace {

// Big-endian, as PNG stores numbers.
void put(std::vector<uint8_t>& bytes, uint32_t value) {
    for (int size = 4; size-- > 0;) bytes.push_back(static_cast<uint8_t>(value >> (8 * size)));
}

bool write_chunk(std::FILE* out, const char type[5], const std::vector<uint8_t>& data,
                 std::string& error) {
    std::vector<uint8_t> chunk;
    chunk.reserve(data.size() + 12);
    put(chunk, static_cast<uint32_t>(data.size()));
    chunk.insert(chunk.end(), type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    put(chunk, static_cast<uint32_t>(crc32(0L, &chunk[4], static_cast<uInt>(chunk.size() - 4))));
    return output_file_write(out, chunk.data(), chunk.size(), error);
}

// The signature and the header of a picture of 8-bit RGB or RGBA samples.
bool write_start(std::FILE* out, int32_t width, int32_t height, int channels, std::string& error) {
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    put(header, static_cast<uint32_t>(width));
    put(header, static_cast<uint32_t>(height));
    // Colour type 6 is RGBA, 2 RGB; deflate, no interlace.
    header.insert(header.end(), {8, static_cast<uint8_t>(channels == 4 ? 6 : 2), 0, 0, 0});
    return output_file_write(out, signature, sizeof signature, error) &&
           write_chunk(out, "IHDR", header, error);
}

// The scanlines of a rectangle, 8-bit RGB or (`channels` 4) RGBA, each pixel
// a `scale` x `scale` block, deflated row by row as they are made. Without a
// base frame every pixel is stored opaque, each row with the filter "up" (the
// difference to the row above), which packs a whole frame of the demo best,
// a tenth smaller than libpng's choice per row. Against a base frame a pixel
// equal to the base's is stored fully transparent (0,0,0,0), so drawn over
// the base it leaves it as it is, and the runs of unchanged pixels pack to
// almost nothing; those rows are stored unfiltered, which measured smaller
// than "up", "sub", "Paeth" or a choice per row, as the changed pixels that
// border transparent ones predict each other poorly. A row that repeats the
// one above it (scale > 1) is stored "up": all zeros. The rows are appended
// to `output`.
bool deflate_rows(const uint32_t* pixels, const uint32_t* base, int32_t stride, int32_t left,
                  int32_t top, int32_t width, int32_t height, int32_t scale, int channels,
                  int level, std::vector<uint8_t>& output, std::string& error) {
    constexpr uint8_t kFilterNone = 0, kFilterUp = 2;
    const size_t row_bytes = static_cast<size_t>(width) * scale * channels;
    std::vector<uint8_t> prior(row_bytes, 0), row(row_bytes), line(row_bytes + 1);
    std::vector<uint8_t> repeat(row_bytes + 1, 0);
    repeat[0] = kFilterUp;
    z_stream stream{};
    const int started = deflateInit2(&stream, level, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY);
    if (started == Z_MEM_ERROR) throw std::bad_alloc();  // told as the tool's other shortages
    if (started != Z_OK) {
        error = "cannot start the deflate encoder";
        return false;
    }
    const size_t start = output.size();
    // Feeds one line (none: ends the stream), growing the output as it fills.
    auto feed = [&](std::vector<uint8_t>* data) {
        stream.next_in = data ? data->data() : nullptr;
        stream.avail_in = data ? static_cast<uInt>(data->size()) : 0;
        int result = Z_OK;
        while (result == Z_OK && (!data || stream.avail_in > 0)) {
            if (stream.avail_out == 0) {
                output.resize(2 * output.size() + row_bytes);
                stream.next_out = output.data() + start + stream.total_out;
                stream.avail_out = static_cast<uInt>(output.size() - start - stream.total_out);
            }
            result = deflate(&stream, data ? Z_NO_FLUSH : Z_FINISH);
        }
        return result == (data ? Z_OK : Z_STREAM_END);
    };
    bool ok = true;
    for (int32_t y = 0; y < height && ok; ++y) {
        const size_t at = static_cast<size_t>(top + y) * stride + left;
        for (int32_t x = 0; x < width * scale; ++x) {
            const uint32_t pixel = pixels[at + x / scale];
            const bool kept = base != nullptr && ((pixel ^ base[at + x / scale]) & 0xFFFFFFu) == 0;
            const uint32_t rgba = kept ? 0 : pixel << 8 | 0xFF;
            for (int k = 0; k < channels; ++k) {
                row[static_cast<size_t>(channels) * x + k] =
                    static_cast<uint8_t>(rgba >> (24 - 8 * k));
            }
        }
        line[0] = base != nullptr ? kFilterNone : kFilterUp;
        for (size_t i = 0; i < row_bytes; ++i) {
            line[i + 1] = static_cast<uint8_t>(row[i] - (base != nullptr ? 0 : prior[i]));
        }
        prior.swap(row);
        ok = feed(&line);
        for (int32_t k = 1; k < scale && ok; ++k) ok = feed(&repeat);
    }
    ok = ok && feed(nullptr);
    output.resize(start + stream.total_out);
    deflateEnd(&stream);
    if (!ok) error = "the deflate encoder failed";
    return ok;
}

// A frame time in seconds as the fraction an APNG frame control holds, as
// close as parts up to 65535 allow: the numerator in the high 16 bits, the
// denominator in the low ones, as the chunk stores them.
uint32_t apng_delay(double seconds) {
    uint32_t best = 1;  // 0/1
    if (!(seconds > 0.0)) return best;
    seconds = std::min(seconds, 65535.0);
    double best_error = seconds;
    for (uint32_t d = 1; d <= 65535; ++d) {
        const double n = std::nearbyint(seconds * d);
        if (n > 65535.0) break;
        const double e = std::fabs(n / d - seconds);
        if (e < best_error) {
            best_error = e, best = static_cast<uint32_t>(n) << 16 | d;
            if (e == 0.0) break;
        }
    }
    return best;
}

}  // namespace

bool ApngWriter::begin(std::FILE* file, int32_t w, int32_t h, const std::vector<double>& t,
                       double rate, std::string& error) {
    if (w < 1 || h < 1 || t.empty() || t.size() > 0x7FFFFFFFu) {
        error = "an animation needs a size and at least one frame";
        return false;
    }
    *this = ApngWriter{deflate_level, scale, file, w, h, &t, rate, 0, 0, {}};
    std::vector<uint8_t> control;
    put(control, static_cast<uint32_t>(t.size()));
    put(control, 0);  // loop forever
    return write_start(out, width * scale, height * scale, 4, error) &&
           write_chunk(out, "acTL", control, error);
}

bool ApngWriter::add_frame(const uint32_t* pixels, std::string& error) {
    const std::vector<double>& t = *times;
    const size_t i = frames_done;
    if (i == t.size()) {
        error = "more frames than the animation announced";
        return false;
    }
    const double shown = fps > 0.0      ? 1.0 / fps
                         : t.size() < 2 ? 1.0
                         : i + 1 < t.size() ? t[i + 1] - t[i]
                                            : t[i] - t[i - 1];
    const int32_t w = width, h = height;
    const bool first = previous.empty();
    int32_t left = 0, top = 0, right = w, bottom = h;  // the rectangle stored
    if (!first) {
        right = -1, bottom = -1, left = w, top = h;
        for (int32_t y = 0; y < h; ++y) {
            const uint32_t* now = pixels + static_cast<size_t>(y) * w;
            const uint32_t* before = previous.data() + static_cast<size_t>(y) * w;
            for (int32_t x = 0; x < w; ++x) {
                if (((now[x] ^ before[x]) & 0xFFFFFFu) == 0) continue;
                left = std::min(left, x), right = std::max(right, x + 1);
                top = std::min(top, y), bottom = std::max(bottom, y + 1);
            }
        }
        if (right < 0) left = 0, top = 0, right = 1, bottom = 1;  // unchanged: one pixel
    }
    std::vector<uint8_t> control;
    put(control, sequence++);
    for (int32_t value : {right - left, bottom - top, left, top}) {
        put(control, static_cast<uint32_t>(value * scale));
    }
    put(control, apng_delay(std::fabs(shown)));
    control.push_back(0);  // dispose: none, the frame stays as the next one's base
    // Blend: the first frame replaces the empty canvas; later ones are drawn
    // over the frame before, their transparent pixels keeping it.
    control.push_back(first ? 0 : 1);
    // The first frame's rows are the image data (IDAT); a later frame's
    // (fdAT) follow their own sequence number.
    std::vector<uint8_t> data;
    if (!first) put(data, sequence++);
    const uint32_t* base = first ? nullptr : previous.data();
    if (!deflate_rows(pixels, base, w, left, top, right - left, bottom - top, scale, 4,
                      deflate_level, data, error) ||
        !write_chunk(out, "fcTL", control, error) ||
        !write_chunk(out, first ? "IDAT" : "fdAT", data, error)) {
        return false;
    }
    previous.assign(pixels, pixels + static_cast<size_t>(w) * h);
    ++frames_done;
    return true;
}

bool ApngWriter::end(std::string& error) {
    if (frames_done != times->size()) {
        error = "the animation ended " + std::to_string(times->size() - frames_done) +
                " frames early";
        return false;
    }
    return write_chunk(out, "IEND", {}, error);
}

bool write_png_file(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height,
                    std::string& error, int32_t scale) {
    OutputFile file;
    std::vector<uint8_t> rows;
    if (!output_file_open(file, path, error)) return false;
    if (!write_start(file.stream, width * scale, height * scale, 3, error) ||
        !deflate_rows(pixels, nullptr, width, 0, 0, width, height, scale, 3,
                      ApngWriter().deflate_level, rows, error) ||
        !write_chunk(file.stream, "IDAT", rows, error) ||
        !write_chunk(file.stream, "IEND", {}, error)) {
        error = output_file_failure(file, error);
        return false;
    }
    return output_file_commit(file, error);
}
