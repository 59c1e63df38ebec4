// ombrith-render: the demo's set-up picture and frames, without a display.
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <new>

#include "effect/driver.h"
#include "platform/clock.h"
#include "programs/render/output_file.h"
#include "programs/render/png_file.h"
#include "programs/render/progress.h"
#include "programs/render/render_options.h"
#include "programs/render/video_stream.h"
#include "runtime/numbers.h"

namespace {

// Its exit statuses are also in the README and the manual page, word for word.
constexpr char kHelp[] =
    "usage: ombrith-render [--variant 320|640] [--seed S] [--picture]\n"
    "                      [--time T]... [--from T --frames N --fps F] [--out DIR]\n"
    "                      [--apng FILE] [--video FILE]\n"
    "                      [--scale N] [--chroma 444|420]\n"
    "\n"
    "Renders the demo without a display into PNG files, one line per file written;\n"
    "with no --picture, --time or --from, the set-up picture.\n"
    "\n"
    "  --variant 320|640  the program to render as (default 640)\n"
    "  --seed S           the set-up as if the clock read S seconds (default: clock)\n"
    "  --picture          the set-up picture, before any lens is drawn\n"
    "  --time T           a frame at clock reading T seconds; repeat for more frames\n"
    "  --from T --frames N --fps F\n"
    "                     N frames at T, T + 1/F, T + 2/F, ...\n"
    "  --out DIR          an existing directory for the files (default: .)\n"
    "  --apng FILE        the frames as one looping animated PNG\n"
    "  --video FILE       the frames as a YUV4MPEG2 stream at F frames/s (4:4:4,\n"
    "                     full range, BT.601); FILE - is standard output\n"
    "  --scale N          every pixel as an N x N block, N from 1 to 16 (default 1)\n"
    "  --chroma 444|420   the video's chroma layout; 420 needs an even --scale\n"
    "  --progress, --no-progress\n"
    "                     show or hide the progress line (only ever on a terminal)\n"
    "  --help             this text\n"
    "  --version          the version number\n"
    "\n"
    "The manual page ombrith-render(1) and the README tell the details: numbers,\n"
    "the clock readings that can be rendered, FIFOs and devices, signals.\n"
    "\n"
    "Exit status:\n"
    "  0  every file was written and listed on standard output\n"
    "  1  writing a file or the list on standard output failed (the message names the\n"
    "     file and the reason; the files finished before are kept), or memory ran out\n"
    "  2  bad usage, a clock reading or seed that cannot be rendered, a rate that\n"
    "     a video header cannot state, an --out that is not a writable directory, an\n"
    "     output that cannot be created or replaced, a capture file that is not a\n"
    "     file, a FIFO or a character device, a PNG file's name taken by anything but\n"
    "     a file, or two outputs that are the same file\n";

int fail(const std::string& message, int status = kRenderRefused) {
    std::fprintf(stderr, "ombrith-render: %s\n", message.c_str());
    return status;
}

bool print(const std::string& text, std::string& error) {
    errno = 0;
    if (std::fputs(text.c_str(), stdout) >= 0 && std::fflush(stdout) == 0 && !std::ferror(stdout)) {
        return true;
    }
    error =
        std::string("cannot write to standard output: ") + std::strerror(errno != 0 ? errno : EIO);
    return false;
}

// Fails early, before any rendering, when nothing can be written in dir: a
// temporary is made there as for a picture, and removed.
bool check_directory(const std::string& dir, std::string& error) {
    struct stat info;
    if (stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        error = "'" + dir + "' is not a directory";
        return false;
    }
    OutputFile probe;
    if (output_file_open(probe, output_file_join(dir, ".ombrith-render-probe"), error)) return true;
    error = "cannot write in '" + dir + "'" + error.substr(error.rfind(": "));
    return false;
}

// A PNG file's name: the set-up picture's (index -1) or a frame's.
std::string png_name(const RenderOptions& options, double seed, int index) {
    char frame[24];
    std::snprintf(frame, sizeof frame, "-frame%04d-t", index);
    return output_file_join(options.out_dir,
                            "ombrith" + std::to_string(options.variant) + "-seed" +
                                std::to_string(rt_trunc_to_int(seed)) +
                                (index < 0 ? "-picture" : frame + shortest(options.times[index])) +
                                ".png");
}

// Before anything is rendered: each capture file can be written, at most one
// capture goes to standard output, and no two outputs (the captures, and the
// set-up picture's file when it is written) are the same file.
bool check_captures(const RenderOptions& options, const std::string& picture_path,
                    std::string& error) {
    const std::string &apng = options.apng, &video = options.video;
    const bool apng_file = !apng.empty() && !output_file_is_stdout(apng);
    const bool video_file = !video.empty() && !output_file_is_stdout(video);
    if ((apng_file && !output_file_check(apng, error)) ||
        (video_file && !output_file_check(video, error))) {
        return false;
    }
    if (output_file_is_stdout(apng) && output_file_is_stdout(video)) {
        error = "only one of --apng and --video can go to standard output";
    } else if (apng_file && video_file && output_file_same(apng, video)) {
        error = "--apng and --video name the same file: " + video;
    } else if (options.picture && apng_file && output_file_same(apng, picture_path)) {
        error = "the capture " + apng + " is the set-up picture's file " + picture_path;
    } else if (options.picture && video_file && output_file_same(video, picture_path)) {
        error = "the capture " + video + " is the set-up picture's file " + picture_path;
    } else {
        return true;
    }
    return false;
}

// The captures asked for, each to a file or standard output; a writer's
// failure is told after the output's name.
struct Captures {
    OutputFile apng_file, video_file;
    ApngWriter apng;
    VideoWriter video;

    static bool failed(const OutputFile& file, std::string& error) {
        error = output_file_failure(file, error);
        return false;
    }
    bool open(const RenderOptions& o, int32_t width, int32_t height, std::string& error) {
        apng.scale = video.scale = o.scale;
        video.chroma420 = o.chroma == 420;
        if (!o.apng.empty()) {
            if (!output_file_open(apng_file, o.apng, error, true)) return false;
            if (!apng.begin(apng_file.stream, width, height, o.times, o.fps, error)) {
                return failed(apng_file, error);
            }
        }
        if (!o.video.empty()) {
            if (!output_file_open(video_file, o.video, error, true)) return false;
            if (!video.begin(video_file.stream, width, height, o.video_rate, error)) {
                return failed(video_file, error);
            }
        }
        return true;
    }
    bool add(const uint32_t* pixels, std::string& error) {
        if (apng_file.stream && !apng.add_frame(pixels, error)) return failed(apng_file, error);
        if (video_file.stream && !video.add_frame(pixels, error)) return failed(video_file, error);
        return true;
    }
    // The outputs appear under their names only now.
    bool finish(std::string& error) {
        if (apng_file.stream) {
            if (!apng.end(error)) return failed(apng_file, error);
            if (!output_file_commit(apng_file, error)) return false;
        }
        return !video_file.stream || output_file_commit(video_file, error);
    }
};

template <const Variant& V>
int render(const RenderOptions& options, double seed) {
    auto state = std::make_unique<EffectState<V>>();
    effect_setup<V>(*state, seed);
    std::string error;
    const bool list_files =
        !output_file_is_stdout(options.apng) && !output_file_is_stdout(options.video);
    // The progress line would mix with the status lines of whatever reads the
    // capture from standard output (an encoder on the same terminal), so by
    // default it is left out then.
    Progress progress(options.progress.value_or(list_files) ? stderr : nullptr,
                      static_cast<long long>(options.times.size()));
    auto write = [&](const std::string& path, const uint32_t* pixels) {
        if (!write_png_file(path, pixels, V.width, V.height, error, options.scale)) return false;
        progress.hide();
        return !list_files || print(path + "\n", error);
    };
    Captures captures;
    const bool capture = !options.apng.empty() || !options.video.empty();
    // An output that cannot even be created is a command line that cannot
    // be carried out, found before anything is rendered.
    if (capture && !captures.open(options, V.width, V.height, error)) return fail(error);
    auto give_up = [&]() { return progress.hide(), fail(error, kRenderWriteFailed); };
    if (options.picture && !write(png_name(options, seed, -1), state->picture)) return give_up();
    if (!options.times.empty()) animation_begin(state->anim, options.times.front());
    int index = 0;
    for (double t : options.times) {
        animation_step(state->anim, t, t);
        render_frame<V>(*state);
        const bool ok = capture ? captures.add(state->work_frame, error)
                                : write(png_name(options, seed, index++), state->work_frame);
        if (!ok) return give_up();
        progress.step();
    }
    progress.hide();
    if (capture && !captures.finish(error)) return fail(error, kRenderWriteFailed);
    for (const std::string* written : {&options.apng, &options.video}) {
        if (list_files && !written->empty() && !print(*written + "\n", error)) {
            return fail(error, kRenderWriteFailed);
        }
    }
    return kRenderDone;
}

}  // namespace

int main(int argc, char** argv) {
    platform_process->set_fp_mode();
#ifdef SIGXFSZ
    // A file beyond the size limit is a failed write, reported as one.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    if (!output_file_standard_streams()) {
        return fail("standard output is closed: nowhere to list the files", kRenderWriteFailed);
    }
    RenderOptions options;
    std::string error;
    if (!parse_render_options(argc, argv, options, error)) {
        fail(error);
        std::fputs("Try 'ombrith-render --help'.\n", stderr);
        return kRenderRefused;
    }
    if (options.help || options.version) {
        const char* text = options.help ? kHelp : "ombrith-render " OMBRITH_VERSION "\n";
        return print(text, error) ? kRenderDone : fail(error, kRenderWriteFailed);
    }
    // An --out given with captures only is checked all the same.
    const bool frame_files = options.apng.empty() && options.video.empty();
    const bool png_files = options.picture || frame_files;
    if ((png_files || options.out_given) && !check_directory(options.out_dir, error)) {
        return fail(error);
    }
    const double seed = options.seed ? *options.seed : rt_timer();
    if (!check_captures(options, png_name(options, seed, -1), error)) return fail(error);
    // The names the tool makes up are never written into: a reader of a FIFO
    // there would wait for no PNG file.
    for (int i = options.picture ? -1 : 0; i < (frame_files ? int(options.times.size()) : 0); ++i) {
        if (!output_file_check(png_name(options, seed, i), error, false)) return fail(error);
    }
    // Out of memory, the outputs not finished are removed as the stack
    // unwinds.
    try {
        return options.variant == 320 ? render<variant320>(options, seed)
                                      : render<variant640>(options, seed);
    } catch (const std::bad_alloc&) {
        return fail("out of memory", kRenderWriteFailed);
    }
}
