#include <png.h>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "programs/render/png_file.h"

namespace {

struct PngError {
    std::string message;
};

void on_png_error(png_structp png, png_const_charp message) {
    auto* error = static_cast<PngError*>(png_get_error_ptr(png));
    error->message = message;
    longjmp(png_jmpbuf(png), 1);
}

void on_png_warning(png_structp, png_const_charp) {}

// Encodes into an open file; false with a message on failure.
bool encode(FILE* file, const uint32_t* pixels, int32_t width, int32_t height,
            std::string& error) {
    PngError png_error;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &png_error, on_png_error, on_png_warning);
    if (!png) {
        error = "cannot start the PNG encoder";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    std::vector<png_byte> row(static_cast<size_t>(width) * 3);
    if (!info || setjmp(png_jmpbuf(png))) {
        error = png_error.message.empty() ? "PNG encoder failed" : png_error.message;
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* source = pixels + static_cast<size_t>(y) * width;
        for (int32_t x = 0; x < width; ++x) {
            row[3 * x + 0] = static_cast<png_byte>(source[x] >> 16);
            row[3 * x + 1] = static_cast<png_byte>(source[x] >> 8);
            row[3 * x + 2] = static_cast<png_byte>(source[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// Moves the finished file into place, replacing an older one of the same
// name (the C library's rename refuses that on Windows).
bool replace_file(const std::string& from, const std::string& to) {
#ifdef _WIN32
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace

bool write_png_file(const std::string& path, const uint32_t* pixels, int32_t width,
                    int32_t height, std::string& error) {
    const std::string temporary = path + ".partial-" + std::to_string(getpid());
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        error = "cannot write " + temporary + ": " + std::strerror(errno);
        return false;
    }
    bool ok = encode(file, pixels, width, height, error);
    if (std::fflush(file) != 0 || std::ferror(file)) {
        if (ok) error = "cannot write " + temporary + ": " + std::strerror(errno);
        ok = false;
    }
    if (std::fclose(file) != 0 && ok) {
        error = "cannot write " + temporary + ": " + std::strerror(errno);
        ok = false;
    }
    if (ok && !replace_file(temporary, path)) {
        error = "cannot rename " + temporary + " to " + path + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok) std::remove(temporary.c_str());
    return ok;
}
