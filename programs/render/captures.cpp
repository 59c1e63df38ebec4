#include "programs/render/captures.h"

#include <cmath>

#include "programs/render/video_stream.h"

bool captures_wanted(const RenderOptions& options) {
    return !options.apng.empty() || !options.video.empty();
}

bool captures_open(Captures& captures, const RenderOptions& options, int32_t width,
                   int32_t height, std::string& error) {
    captures.options = &options;
    captures.width = width;
    captures.height = height;
    captures.index = 0;
    const auto frames = static_cast<uint32_t>(options.times.size());
    bool ok = true;
    if (!options.apng.empty()) {
        ok = pending_file_open(captures.apng_file, options.apng, error) &&
             apng_begin(captures.apng, pending_file_stream(captures.apng_file), width, height,
                        frames, error);
        if (options.fps > 0.0) apng_delay(1.0 / options.fps, captures.delay_num, captures.delay_den);
    }
    if (ok && !options.video.empty()) {
        uint32_t num = 1, den = 1;
        video_rate(options.fps, num, den);
        ok = pending_file_open(captures.video_file, options.video, error) &&
             video_begin(pending_file_stream(captures.video_file), width, height, num, den, error);
    }
    if (!ok) captures_discard(captures);
    return ok;
}

bool captures_add(Captures& captures, const uint32_t* pixels, std::string& error) {
    const RenderOptions& options = *captures.options;
    const size_t i = captures.index++;
    if (!options.apng.empty()) {
        uint16_t num = captures.delay_num, den = captures.delay_den;
        if (options.fps <= 0.0) {
            // Shown until the next frame's clock reading; the last frame as
            // long as the one before it.
            const auto& t = options.times;
            const double shown = t.size() < 2            ? 1.0
                                 : i + 1 < t.size()      ? t[i + 1] - t[i]
                                                         : t[i] - t[i - 1];
            apng_delay(std::fabs(shown), num, den);
        }
        if (!apng_add_frame(captures.apng, pixels, num, den, error)) return false;
    }
    return options.video.empty() ||
           video_add_frame(pending_file_stream(captures.video_file), pixels, captures.width,
                           captures.height, captures.planes, error);
}

bool captures_finish(Captures& captures, std::string& error) {
    const RenderOptions& options = *captures.options;
    bool ok = true;
    if (!options.apng.empty()) {
        ok = apng_end(captures.apng, error) && pending_file_commit(captures.apng_file, error);
    }
    if (ok && !options.video.empty()) ok = pending_file_commit(captures.video_file, error);
    if (!ok) captures_discard(captures);
    return ok;
}

void captures_discard(Captures& captures) {
    pending_file_discard(captures.apng_file);
    pending_file_discard(captures.video_file);
}
