// PNG files through libpng.
#include "programs/render/png_file.h"

#include <png.h>

#include <csetjmp>
#include <vector>

#include "programs/render/output_file.h"

namespace {

struct Encoding {
    std::FILE* file = nullptr;
    std::string reason;  // the first failure
};

void on_png_error(png_structp png, png_const_charp message) {
    auto* encoding = static_cast<Encoding*>(png_get_error_ptr(png));
    if (encoding->reason.empty()) encoding->reason = message;
    longjmp(png_jmpbuf(png), 1);
}

// libpng's own writer reports a failure only as "Write Error"; this one keeps
// the system's reason.
void on_png_write(png_structp png, png_bytep data, size_t length) {
    auto* encoding = static_cast<Encoding*>(png_get_error_ptr(png));
    if (!output_file_write(encoding->file, data, length, encoding->reason)) {
        png_error(png, "write failed");
    }
}

}  // namespace

bool write_png_file(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height,
                    std::string& error, int32_t scale) {
    OutputFile file;
    if (!output_file_open(file, path, error)) return false;
    Encoding encoding{file.stream, ""};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &encoding, on_png_error,
                                              [](png_structp, png_const_charp) {});
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row(static_cast<size_t>(width) * scale * 3);
    if (!info || setjmp(png_jmpbuf(png))) {
        error = "cannot write " + path + ": " +
                (encoding.reason.empty() ? "the PNG encoder failed" : encoding.reason);
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_set_write_fn(png, nullptr, on_png_write, [](png_structp) {});
    png_set_IHDR(png, info, static_cast<png_uint_32>(width * scale),
                 static_cast<png_uint_32>(height * scale), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* source = pixels + static_cast<size_t>(y) * width;
        for (int32_t x = 0; x < width * scale; ++x) {
            row[3 * x + 0] = static_cast<png_byte>(source[x / scale] >> 16);
            row[3 * x + 1] = static_cast<png_byte>(source[x / scale] >> 8);
            row[3 * x + 2] = static_cast<png_byte>(source[x / scale]);
        }
        for (int32_t k = 0; k < scale; ++k) png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return output_file_commit(file, error);
}
