// ombrith-render: the demo's set-up picture and frames, without a display.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "effect/driver.h"
#include "platform/clock.h"
#include "programs/render/captures.h"
#include "programs/render/png_file.h"
#include "programs/render/progress.h"
#include "programs/render/render_options.h"
#include "runtime/numbers.h"

namespace {

constexpr int kUsageError = 2;

int fail(const std::string& message) {
    std::fprintf(stderr, "ombrith-render: %s\n", message.c_str());
    return kUsageError;
}

std::string shortest(double value) {
    char text[64];
    auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// Fails early, before any rendering, when nothing can be written in dir.
bool check_directory(const std::string& dir, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        error = "'" + dir + "' is not a directory";
        return false;
    }
    const std::string probe = (std::filesystem::path(dir) / ".ombrith-render-probe").string();
    std::FILE* file = std::fopen(probe.c_str(), "wb");
    if (!file) {
        error = "cannot write in '" + dir + "'";
        return false;
    }
    std::fclose(file);
    std::remove(probe.c_str());
    return true;
}

template <const Variant& V>
int render(const RenderOptions& options, double seed) {
    auto state = std::make_unique<EffectState<V>>();
    effect_setup<V>(*state, seed);
    const std::string stem = (std::filesystem::path(options.out_dir) /
                              ("ombrith" + std::to_string(V.width) + "-seed" +
                               std::to_string(rt_trunc_to_int(seed))))
                                 .string();
    std::string error;
    // File names go to standard output, unless a capture is streamed there.
    const bool list_files = options.apng != "-" && options.video != "-";
    Progress progress;
    progress_begin(progress, stderr, static_cast<int64_t>(options.times.size()));
    auto write = [&](const std::string& path, const uint32_t* pixels) {
        if (!write_png_file(path, pixels, V.width, V.height, error)) return false;
        if (list_files) progress_hide(progress), std::printf("%s\n", path.c_str());
        std::fflush(stdout);
        return true;
    };
    Captures captures;
    const bool capture = captures_wanted(options);
    if (capture && !captures_open(captures, options, V.width, V.height, error)) return fail(error);
    if (options.picture && !write(stem + "-picture.png", state->picture)) {
        progress_end(progress);
        captures_discard(captures);
        return fail(error);
    }
    if (!options.times.empty()) animation_begin(state->anim, options.times.front());
    int index = 0;
    for (double t : options.times) {
        animation_step(state->anim, t, t);
        render_frame<V>(*state);
        char number[16];
        std::snprintf(number, sizeof number, "%04d", index++);
        const bool ok = capture ? captures_add(captures, state->work_frame, error)
                                : write(stem + "-frame" + number + "-t" + shortest(t) + ".png",
                                        state->work_frame);
        if (!ok) {
            progress_end(progress);
            captures_discard(captures);
            return fail(error);
        }
        progress_step(progress);
    }
    progress_end(progress);
    if (capture && !captures_finish(captures, error)) return fail(error);
    if (capture && list_files) {
        for (const std::string* path : {&options.apng, &options.video}) {
            if (!path->empty()) std::printf("%s\n", path->c_str());
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    platform_process->set_fp_mode();
    RenderOptions options;
    std::string error;
    if (!parse_render_options(argc, argv, options, error)) {
        fail(error);
        std::fputs("Try 'ombrith-render --help'.\n", stderr);
        return kUsageError;
    }
    if (options.help) {
        std::fputs(kRenderUsage, stdout);
        return 0;
    }
    const bool png_files = options.picture || !captures_wanted(options);
    if (png_files && !check_directory(options.out_dir, error)) return fail(error);
    const double seed = options.seed ? *options.seed : rt_timer();
    return options.variant == 320 ? render<variant320>(options, seed)
                                  : render<variant640>(options, seed);
}
