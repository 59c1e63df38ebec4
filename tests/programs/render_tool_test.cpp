// The render tool: its command line, its files, and what it refuses.
#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "effect/driver.h"
#include "programs/render/png_file.h"
#include "programs/render/render_options.h"

namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int status;
    std::string out;
};

ToolRun run_tool(const std::string& args) {
    const std::string command = std::string(OMBRITH_RENDER_PATH) + " " + args + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[256];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

// The tool as a child with its standard output on a pipe and its standard
// error in a file; `prepare` runs in the child just before it starts.
struct Spawned {
    pid_t pid = -1;
    int out = -1;
};

Spawned spawn_tool(const std::vector<std::string>& args, const std::string& err_path,
                   const std::function<void()>& prepare = {}) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(err, STDERR_FILENO);
        close(fds[0]);
        close(fds[1]);
        for (int s : {SIGINT, SIGTERM, SIGHUP}) signal(s, SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (prepare) prepare();
        std::vector<char*> argv{const_cast<char*>(OMBRITH_RENDER_PATH)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    return {pid, fds[0]};
}

int wait_status(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

std::string read_text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct TempDir {
    fs::path path;
    TempDir() {
        path = fs::temp_directory_path() /
               ("ombrith-render-test-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(path)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

bool parse(std::vector<const char*> args, RenderOptions& options, std::string& error) {
    args.insert(args.begin(), "ombrith-render");
    return parse_render_options(static_cast<int>(args.size()), args.data(), options, error);
}

std::vector<uint32_t> read_png(const std::string& path, int32_t& width, int32_t& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<uint32_t> pixels;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return pixels;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return pixels;
    width = static_cast<int32_t>(image.width);
    height = static_cast<int32_t>(image.height);
    for (size_t i = 0; i + 2 < bytes.size(); i += 3) {
        pixels.push_back((uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8) | bytes[i + 2]);
    }
    return pixels;
}

std::string command_output(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[65536];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
    return out;
}

}  // namespace

TEST(RenderOptions, FramesFromAStartAndARate) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parse({"--variant", "320", "--seed", "-3.5", "--from", "2", "--frames", "3",
                       "--fps", "4", "--time", "9"},
                      o, error))
        << error;
    EXPECT_EQ(o.variant, 320);
    EXPECT_EQ(*o.seed, -3.5);
    EXPECT_EQ(o.times, (std::vector<double>{9.0, 2.0, 2.25, 2.5}));
    EXPECT_FALSE(o.picture);
}

TEST(RenderOptions, ThePictureWhenNothingElseIsAsked) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parse({}, o, error));
    EXPECT_TRUE(o.picture);
    EXPECT_EQ(o.variant, 640);
    EXPECT_FALSE(o.seed.has_value());
}

TEST(RenderOptions, RefusesBadUsageWithAReason) {
    const struct {
        std::vector<const char*> args;
        const char* reason;
    } bad[] = {
        {{"--variant", "800"}, "unknown variant '800'"},
        {{"--variant"}, "--variant needs a value"},
        {{"--seed", "abc"}, "--seed needs a finite number, not 'abc'"},
        {{"--seed", "inf"}, "--seed needs a finite number"},
        {{"--seed", "nan"}, "--seed needs a finite number"},
        {{"--time", "1e999"}, "--time needs a finite number"},
        {{"--time", ""}, "--time needs a finite number, not ''"},
        {{"--from", "1"}, "--from, --frames and --fps go together"},
        {{"--frames", "0", "--from", "1", "--fps", "2"}, "--frames needs a whole number from 1"},
        {{"--frames", "2x"}, "not '2x'"},
        {{"--fps", "0", "--from", "1", "--frames", "2"}, "--fps needs a number above 0"},
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--seed", "-1"}, "--seed -1 is not a seed"},
        {{"--seed", "-1.0e0"}, "--seed -1 is not a seed"},
        {{"--apng", ""}, "--apng needs a file name"},
        {{"--apng", "a.png"}, "need frames"},
        {{"--time", "1", "--video", "v.y4m"}, "--video needs the steady rate"},
    };
    for (const auto& c : bad) {
        RenderOptions o;
        std::string error;
        EXPECT_FALSE(parse(c.args, o, error)) << c.reason;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

// Readings, given or derived, beyond what the effect draws soundly: the
// error names the reading. Single precision holds readings below
// 2^128 - 2^103 in size.
TEST(RenderOptions, RefusesReadingsTheEffectCannotDraw) {
    const struct {
        std::vector<const char*> args;
        const char* reading;
    } bad[] = {
        {{"--from", "0", "--frames", "2", "--fps", "4.9e-324"}, "reading inf (frame 1"},
        {{"--from", "1e308", "--frames", "2", "--fps", "1e-308"}, "reading 1e+308 (frame 0"},
        {{"--from", "3e38", "--frames", "3", "--fps", "1e-38"}, "reading 4e+38 (frame 1"},
        {{"--time", "3.5e38"}, "reading 3.5e+38 (--time 3.5e38)"},
        {{"--time", "1", "--time", "-3.4028235677973366e38"}, "reading -3.4028235677973366e+38"},
    };
    for (const auto& c : bad) {
        RenderOptions o;
        std::string error;
        EXPECT_FALSE(parse(c.args, o, error)) << c.reading;
        EXPECT_NE(error.find(c.reading), std::string::npos) << error;
    }
    RenderOptions o;
    std::string error;
    EXPECT_TRUE(parse({"--time", "-3.4028235677973362e38", "--time", "3.4e38"}, o, error)) << error;
}

namespace {

// The words of a text in order, however its lines are wrapped; in a manual
// page the requests' lines go, and marked-up words read as plain ones.
std::string words(const std::string& text) {
    std::istringstream lines(text);
    std::string plain;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(".B ", 0) == 0) line.erase(0, 3);
        if (line.rfind(".", 0) == 0) continue;
        for (size_t at; (at = line.find("\\-")) != std::string::npos;) line.erase(at, 1);
        for (const char* font : {"\\fB", "\\fR"}) {
            for (size_t at; (at = line.find(font)) != std::string::npos;) line.erase(at, 3);
        }
        plain += line + '\n';
    }
    std::istringstream in(plain);
    std::string all;
    for (std::string word; in >> word;) all += word + ' ';
    return all;
}

}  // namespace

// The help fits 80 columns, and its exit statuses are those the README and
// the manual page tell, word for word.
TEST(RenderTool, HelpFitsEightyColumnsAndItsExitStatusesAreDocumented) {
    const ToolRun run = run_tool("--help");
    ASSERT_EQ(run.status, kRenderDone);
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
    const size_t at = run.out.find("Exit status:\n  0  ");
    ASSERT_NE(at, std::string::npos);
    const std::string statuses = words(run.out.substr(at + 13));
    EXPECT_NE(statuses.find("2 bad usage"), std::string::npos) << statuses;
    for (const char* document : {"README.md", "docs/man/ombrith-render.1"}) {
        EXPECT_NE(words(read_text(std::string(OMBRITH_SOURCE_DIR "/") + document)).find(statuses),
                  std::string::npos)
            << document << " does not tell the exit statuses as the help does: " << statuses;
    }
}

TEST(RenderTool, WritesThePictureAndFramesOfTheSeed) {
    TempDir dir;
    const ToolRun run = run_tool("--variant 320 --seed 1 --picture --time 2 --time 7.5 --out " +
                             dir.path.string());
    ASSERT_EQ(run.status, 0);
    const std::string d = dir.path.string() + "/";
    EXPECT_EQ(run.out, d + "ombrith320-seed1-picture.png\n" + d +
                           "ombrith320-seed1-frame0000-t2.png\n" + d +
                           "ombrith320-seed1-frame0001-t7.5.png\n");
    EXPECT_EQ(dir.files().size(), 3u);

    auto state = std::make_unique<EffectState<variant320>>();
    effect_setup<variant320>(*state, 1.0);
    int32_t w = 0, h = 0;
    std::vector<uint32_t> picture = read_png(d + "ombrith320-seed1-picture.png", w, h);
    ASSERT_EQ(w, 320);
    ASSERT_EQ(h, 240);
    for (int32_t i = 0; i < 76800; ++i) ASSERT_EQ(picture[i], state->picture[i] & 0xFFFFFFu);

    animation_begin(state->anim, 2.0);
    animation_step(state->anim, 2.0, 2.0);
    animation_step(state->anim, 7.5, 7.5);  // the second frame carries the first's phase
    render_frame<variant320>(*state);
    std::vector<uint32_t> frame = read_png(d + "ombrith320-seed1-frame0001-t7.5.png", w, h);
    ASSERT_EQ(frame.size(), 76800u);
    for (int32_t i = 0; i < 76800; ++i) ASSERT_EQ(frame[i], state->work_frame[i] & 0xFFFFFFu);
}

TEST(RenderTool, BadUsageExitsWithTwoAndWritesNothing) {
    TempDir dir;
    const std::string out = " --out " + dir.path.string();
    for (const char* args : {"--variant 321", "--seed x", "--time nan", "--frames 3", "--seed -1",
                             "--time 3.5e38", "--from 0 --frames 2 --fps 4.9e-324", "--apng x.png",
                             "--time 1 --video v.y4m", "--time 1 --video - --apng -"}) {
        EXPECT_EQ(run_tool(args + out).status, 2) << args;
    }
    EXPECT_EQ(run_tool("--picture --out " + (dir.path / "missing").string()).status, 2);
    EXPECT_EQ(run_tool("--time 1 --apng " + (dir.path / "missing" / "a.png").string()).status, 2);
    std::FILE* f = std::fopen((dir.path / "plain-file").c_str(), "w");
    std::fclose(f);
    EXPECT_EQ(run_tool("--picture --out " + (dir.path / "plain-file").string()).status, 2);
    // A capture whose name is taken by a directory is refused before any
    // rendering, and leaves nothing.
    fs::create_directory(dir.path / "taken");
    EXPECT_EQ(run_tool("--variant 320 --seed 1 --from 0 --frames 2 --fps 9 --apng " +
                       (dir.path / "taken").string()).status, 2);
    EXPECT_EQ(dir.files(), (std::vector<std::string>{"plain-file", "taken"}));
    EXPECT_EQ(run_tool("--help").status, 0);
}

TEST(PngFile, AFailedWriteLeavesNoFileBehind) {
    TempDir dir;
    // The target name is taken by a directory: the rename fails at the end.
    fs::create_directory(dir.path / "taken.png");
    std::vector<uint32_t> pixels(4 * 3, 0x00123456u);
    std::string error;
    EXPECT_FALSE(write_png_file((dir.path / "taken.png").string(), pixels.data(), 4, 3, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(dir.files(), std::vector<std::string>{"taken.png"});
    EXPECT_FALSE(write_png_file((dir.path / "no" / "such.png").string(), pixels.data(), 4, 3,
                                error));
    EXPECT_TRUE(write_png_file((dir.path / "fine.png").string(), pixels.data(), 4, 3, error));
    int32_t w = 0, h = 0;
    EXPECT_EQ(read_png((dir.path / "fine.png").string(), w, h), pixels);
}

// The captures read by an independent decoder (ffmpeg): the animated PNG
// gives exactly the frames' pixels, opaque, at their clock readings, the
// video the announced size and rate, every frame, each level within 2 of the
// pixels.
TEST(RenderTool, CapturesDecodeToTheFramesPixels) {
    TempDir dir;
    const std::string apng = (dir.path / "a.png").string(), video = (dir.path / "v.y4m").string();
    ASSERT_EQ(run_tool("--variant 320 --seed 5 --time 2 --time 2.5 --time 2.75 --apng " + apng)
                  .status,
              0);
    const ToolRun run = run_tool("--variant 320 --seed 5 --from 2 --frames 3 --fps 2.5 --video " +
                                 video + " --apng " + dir.path.string() + "/b.png");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.out, dir.path.string() + "/b.png\n" + video + "\n");
    EXPECT_EQ(dir.files(), (std::vector<std::string>{"a.png", "b.png", "v.y4m"}));

    auto frames_rgb = [](std::vector<double> times) {
        auto state = std::make_unique<EffectState<variant320>>();
        effect_setup<variant320>(*state, 5.0);
        animation_begin(state->anim, times.front());
        std::string rgb;
        for (double t : times) {
            animation_step(state->anim, t, t);
            render_frame<variant320>(*state);
            for (uint32_t p : state->work_frame) {
                rgb += static_cast<char>(p >> 16), rgb += static_cast<char>(p >> 8);
                rgb += static_cast<char>(p);
            }
        }
        return rgb;
    };
    // Every frame once, as it comes (no duplicates for a steady output rate).
    const std::string to_rgb = " -fps_mode passthrough -f rawvideo -pix_fmt rgb24 - 2>/dev/null";
    // The animation is stored with transparency: every frame, drawn over the
    // ones before it, is the frame's colours and opaque everywhere.
    const std::string rgba = command_output("ffmpeg -v error -f apng -i " + apng +
                                            " -fps_mode passthrough -f rawvideo -pix_fmt rgba - "
                                            "2>/dev/null");
    std::string colours;
    size_t see_through = 0;
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
        colours.append(rgba, i, 3);
        see_through += static_cast<uint8_t>(rgba[i + 3]) != 255;
    }
    EXPECT_EQ(see_through, 0u);
    EXPECT_TRUE(colours == frames_rgb({2.0, 2.5, 2.75}));
    EXPECT_EQ(command_output("ffprobe -v error -f apng -show_entries frame=pts_time -of csv=p=0 " +
                             apng),
              "0.000000\n0.500000\n0.750000\n");

    EXPECT_EQ(command_output("ffprobe -v error -show_entries stream=width,height,r_frame_rate "
                             "-of csv=p=0 " + video),
              "320,240,5/2\n");
    const std::string expected = frames_rgb({2.0, 2.4, 2.8});
    const std::string decoded = command_output(
        "ffmpeg -v error -i " + video + " -vf scale=in_color_matrix=bt601:in_range=full" + to_rgb);
    ASSERT_EQ(decoded.size(), expected.size());
    int worst = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        worst = std::max(worst, std::abs(static_cast<int>(static_cast<uint8_t>(decoded[i])) -
                                         static_cast<uint8_t>(expected[i])));
    }
    EXPECT_LE(worst, 2);
}

// At --scale N every output holds each pixel as an N x N block and nothing
// else changes: PNG files, the animated PNG as decoded by ffmpeg, and the
// video's planes. A 4:2:0 video at an even scale keeps every sample of the
// 4:4:4 one; at an odd scale it is refused, as are scales out of range.
TEST(RenderTool, ScaledOutputsRepeatEveryPixel) {
    TempDir dir;
    const std::string d = dir.path.string() + "/";
    const std::string frames = "--variant 320 --seed 5 --from 2 --frames 3 --fps 2.5 ";
    auto state = std::make_unique<EffectState<variant320>>();
    effect_setup<variant320>(*state, 5.0);
    std::vector<std::vector<uint32_t>> shown{{state->picture, state->picture + 76800}};
    animation_begin(state->anim, 2.0);
    for (int k = 0; k < 3; ++k) {
        const double t = 2.0 + k / 2.5;
        animation_step(state->anim, t, t);
        render_frame<variant320>(*state);
        shown.emplace_back(state->work_frame, state->work_frame + 76800);
    }
    auto scaled = [](const std::vector<uint32_t>& frame, int32_t n, int32_t width = 320) {
        std::vector<uint32_t> out;
        for (size_t y = 0; y < frame.size() / width * n; ++y) {
            for (int32_t x = 0; x < width * n; ++x) {
                out.push_back(frame[y / n * width + x / n] & 0xFFFFFF);
            }
        }
        return out;
    };
    auto opaque = [](const std::vector<uint32_t>& pixels, std::string& rgba) {
        for (uint32_t p : pixels) {
            rgba += {static_cast<char>(p >> 16), static_cast<char>(p >> 8), static_cast<char>(p),
                     '\xFF'};
        }
    };
    auto decode_apng = [](const std::string& path) {
        return command_output("ffmpeg -v error -f apng -i " + path +
                              " -fps_mode passthrough -f rawvideo -pix_fmt rgba - 2>/dev/null");
    };
    for (int32_t n : {1, 2, 5}) {
        const std::string out = d + std::to_string(n);
        fs::create_directory(out);
        ASSERT_EQ(run_tool("--variant 320 --seed 5 --picture --time 2 --out " + out + " --scale " +
                           std::to_string(n))
                      .status,
                  0);
        int32_t w = 0, h = 0;
        EXPECT_TRUE(read_png(out + "/ombrith320-seed5-picture.png", w, h) == scaled(shown[0], n));
        EXPECT_TRUE(read_png(out + "/ombrith320-seed5-frame0000-t2.png", w, h) ==
                    scaled(shown[1], n));
        EXPECT_EQ(w, 320 * n);
    }

    ASSERT_EQ(run_tool(frames + "--scale 3 --apng " + d + "a.png").status, 0);
    std::string rgba;
    for (int k = 1; k <= 3; ++k) opaque(scaled(shown[k], 3), rgba);
    const std::string decoded = decode_apng(d + "a.png");
    EXPECT_EQ(decoded.size(), rgba.size());
    EXPECT_TRUE(decoded == rgba);
    // The demo's frames change across the whole width; a change in part of
    // a frame is stored as a rectangle, placed at the scale too.
    std::vector<uint32_t> plain(8 * 6, 0x102030), dot = plain;
    dot[3 * 8 + 5] = 0xFFEEDD;
    std::FILE* file = std::fopen((d + "dot.png").c_str(), "wb");
    ApngWriter writer;
    writer.scale = 3;
    std::string error;
    const std::vector<double> times{0.0, 1.0};
    EXPECT_TRUE(writer.begin(file, 8, 6, times, 1.0, error) &&
                writer.add_frame(plain.data(), error) && writer.add_frame(dot.data(), error) &&
                writer.end(error))
        << error;
    std::fclose(file);
    rgba.clear();
    opaque(scaled(plain, 3, 8), rgba);
    opaque(scaled(dot, 3, 8), rgba);
    EXPECT_TRUE(decode_apng(d + "dot.png") == rgba);

    // The 1x video (which the test above decodes to the frames) scaled: at
    // scale 4 each plane repeated 4 times, the chroma of 4:2:0 twice.
    for (const auto& [args, name] : std::vector<std::pair<std::string, std::string>>{
             {"", "v1"}, {"--scale 4 ", "v4"}, {"--scale 4 --chroma 420 ", "c4"}}) {
        ASSERT_EQ(run_tool(frames + args + "--video " + d + name).status, 0) << args;
    }
    const std::string v1 = read_text(d + "v1");
    const size_t body = v1.find('\n') + 1;
    ASSERT_EQ(v1.size(), body + 3 * (6 + 3 * 76800));
    auto scaled_stream = [&](int32_t n, int32_t chroma_n) {
        std::string out;
        for (size_t at = body; at < v1.size(); at += 6 + 3 * 76800) {
            out += "FRAME\n";
            for (int plane = 0; plane < 3; ++plane) {
                const int32_t k = plane == 0 ? n : chroma_n;
                const char* source = &v1[at + 6 + plane * 76800];
                for (int32_t y = 0; y < 240 * k; ++y) {
                    for (int32_t x = 0; x < 320 * k; ++x) out += source[y / k * 320 + x / k];
                }
            }
        }
        return out;
    };
    const std::string tags = " XCOLORRANGE=FULL XCOLORMATRIX=BT601\n";
    EXPECT_TRUE(read_text(d + "v4") ==
                "YUV4MPEG2 W1280 H960 F5:2 Ip A1:1 C444 XYSCSS=444" + tags + scaled_stream(4, 4));
    EXPECT_TRUE(read_text(d + "c4") == "YUV4MPEG2 W1280 H960 F5:2 Ip A1:1 C420jpeg XYSCSS=420JPEG" +
                                           tags + scaled_stream(4, 2));
    EXPECT_EQ(command_output("ffprobe -v error -count_frames -show_entries stream=width,height,"
                             "pix_fmt,color_range,r_frame_rate,nb_read_frames -of csv=p=0 " +
                             d + "c4"),
              "1280,960,yuv420p,pc,5/2,3\n");

    const std::vector<std::string> written = dir.files();
    for (const char* args : {"--scale 3 --chroma 420 --video ", "--scale 0 --video ",
                             "--scale 17 --apng ", "--scale 2.5 --apng ", "--chroma 420 --apng "}) {
        EXPECT_EQ(run_tool(frames + args + d + "x").status, 2) << args;
    }
    EXPECT_EQ(dir.files(), written);
    RenderOptions options;
    EXPECT_FALSE(parse({"--from", "0", "--frames", "1", "--fps", "1", "--video", "-", "--chroma",
                        "420", "--scale", "5"},
                       options, error));
    EXPECT_NE(error.find("even --scale"), std::string::npos) << error;
}

// Nothing in the output folder is opened through a name the tool could have
// predicted: a link planted as the old probe, or as a finished file, leaves
// its target alone. A signal during the render removes the file being
// written, keeps the finished ones and ends the tool as the signal does.
TEST(RenderTool, FilesAreMadeSafelyAndNeverLeftHalfWritten) {
    TempDir dir;
    const fs::path out = dir.path / "out";
    fs::create_directory(out);
    {
        std::ofstream(dir.path / "victim") << "precious";
    }
    fs::create_symlink(dir.path / "victim", out / ".ombrith-render-probe");
    fs::create_symlink(dir.path / "victim", out / "ombrith320-seed1-picture.png");
    EXPECT_EQ(run_tool("--variant 320 --seed 1 --out " + out.string()).status, 0);
    EXPECT_EQ(read_text((dir.path / "victim").string()), "precious");
    EXPECT_TRUE(fs::is_symlink(out / ".ombrith-render-probe"));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(out / "ombrith320-seed1-picture.png")));
    fs::remove(out / "ombrith320-seed1-picture.png");

    for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal_number));
        const Spawned tool =
            spawn_tool({"--variant", "320", "--seed", "1", "--from", "0", "--frames", "100000",
                        "--fps", "30", "--out", out.string()},
                       (dir.path / "err").string());
        ASSERT_GT(tool.pid, 0);
        char first[8];
        ASSERT_GT(read(tool.out, first, sizeof first), 0);  // a file is finished
        usleep(20000);
        kill(tool.pid, signal_number);
        const int status = wait_status(tool.pid);
        close(tool.out);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
        std::vector<std::string> files;
        for (const auto& e : fs::directory_iterator(out)) {
            const std::string name = e.path().filename().string();
            if (name == ".ombrith-render-probe") continue;
            EXPECT_EQ(e.path().extension(), ".png") << name;
            files.push_back(e.path().string());
        }
        ASSERT_FALSE(files.empty());
        for (const std::string& file : files) {
            int32_t w = 0, h = 0;
            EXPECT_EQ(read_png(file, w, h).size(), 76800u) << file;
            fs::remove(file);
        }
    }
}

// A failed write names the file and the reason and ends with status 1,
// keeping the files finished before; so does a failure to list them.
TEST(RenderTool, FailuresToWriteAreReportedWithTheirReason) {
    TempDir dir;
    const fs::path out = dir.path / "out";
    fs::create_directory(out);
    const std::string err = (dir.path / "err").string();
    // Room for the picture (about 43 kB) but not for the frame (about 57 kB).
    const Spawned tool = spawn_tool(
        {"--variant", "320", "--seed", "1", "--picture", "--time", "1", "--out", out.string()}, err,
        [] {
            const rlimit limit{50000, 50000};
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, SIG_IGN);
        });
    ASSERT_GT(tool.pid, 0);
    const int status = wait_status(tool.pid);
    close(tool.out);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(read_text(err), "ombrith-render: cannot write " +
                                  (out / "ombrith320-seed1-frame0000-t1.png").string() + ": " +
                                  std::strerror(EFBIG) + "\n");
    EXPECT_EQ(fs::directory_iterator(out)->path().filename(), "ombrith320-seed1-picture.png");
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);

    const std::string o = " --out " + out.string();
    EXPECT_EQ(run_tool("--variant 320 --seed 2" + o + " >/dev/full").status, 1);
    EXPECT_TRUE(fs::exists(out / "ombrith320-seed2-picture.png")) << "a complete file is kept";
    EXPECT_EQ(run_tool("--variant 320 --seed 3" + o + " >&-").status, 1);
    EXPECT_FALSE(fs::exists(out / "ombrith320-seed3-picture.png")) << "refused before rendering";
    EXPECT_EQ(run_tool("--help >/dev/full").status, 1);
}

namespace {

// Temporaries left in a folder.
std::vector<std::string> partial_files(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (name.find(".partial-") != std::string::npos) names.push_back(name);
    }
    return names;
}

}  // namespace

// A FIFO or a character device, or a link to one, is written in place and
// stays what it was; a socket or a directory is refused before rendering.
TEST(RenderTool, SpecialFilesAreWrittenInPlaceOrRefused) {
    TempDir dir;
    const std::string frames = "--variant 320 --seed 1 --from 0 --frames 3 --fps 9 ";
    const fs::path plain = dir.path / "plain.y4m", fifo = dir.path / "fifo",
                   fifo_link = dir.path / "fifo-link", null_link = dir.path / "null-link";
    ASSERT_EQ(run_tool(frames + "--video " + plain.string()).status, 0);
    const std::string expected = read_text(plain.string());

    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(fifo, fifo_link);
    // The test holds the FIFO open itself, so a tool that never opens it
    // cannot leave it waiting.
    const int fd = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    const Spawned tool = spawn_tool({"--variant", "320", "--seed", "1", "--from", "0", "--frames",
                                     "3", "--fps", "9", "--video", fifo_link.string()},
                                    (dir.path / "err").string());
    ASSERT_GT(tool.pid, 0);
    std::string data;
    int status = 0;
    char buffer[65536];
    for (bool ended = false;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            data.append(buffer, static_cast<size_t>(n));
        } else if (ended) {
            break;
        } else if (waitpid(tool.pid, &status, WNOHANG) == tool.pid) {
            ended = true;
        } else {
            usleep(1000);
        }
    }
    close(fd);
    close(tool.out);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(data == expected) << data.size() << " bytes through the FIFO";
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
    EXPECT_TRUE(fs::is_symlink(fifo_link));

    fs::create_symlink("/dev/null", null_link);
    EXPECT_EQ(run_tool(frames + "--apng " + null_link.string()).status, 0);
    EXPECT_TRUE(fs::is_symlink(null_link));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    const fs::path socket_path = dir.path / "socket";
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socket_path.string().size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socket_path.c_str());
    ASSERT_EQ(bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(run_tool(frames + "--video " + socket_path.string()).status, 2);
    EXPECT_TRUE(fs::is_socket(fs::symlink_status(socket_path)));
    close(sock);
    fs::create_directory(dir.path / "folder");
    EXPECT_EQ(run_tool(frames + "--apng " + (dir.path / "folder").string()).status, 2);
    EXPECT_TRUE(partial_files(dir.path).empty());
}

// Whatever ends the tool, bar SIGKILL, leaves no temporary: a closed pipe
// (status of SIGPIPE), other signals, a limit on file sizes (a failed write
// naming the file) and running out of memory (status 1).
TEST(RenderTool, NoTemporaryOutlivesWhatEndsTheTool) {
    TempDir dir;
    const std::string capture = (dir.path / "cap.png").string(), err = (dir.path / "err").string();
    const std::vector<std::string> long_render = {"--variant", "320", "--seed", "1", "--from",
                                                  "0", "--frames", "100000", "--fps", "30",
                                                  "--apng", capture, "--video", "-"};
    for (int signal_number : {SIGPIPE, SIGALRM, SIGUSR1}) {
        SCOPED_TRACE(strsignal(signal_number));
        const Spawned tool = spawn_tool(long_render, err, [] { signal(SIGPIPE, SIG_DFL); });
        ASSERT_GT(tool.pid, 0);
        char first[4096];
        ASSERT_GT(read(tool.out, first, sizeof first), 0);  // both outputs are open
        if (signal_number != SIGPIPE) kill(tool.pid, signal_number);
        if (signal_number == SIGPIPE) close(tool.out);
        const int status = wait_status(tool.pid);
        if (signal_number != SIGPIPE) close(tool.out);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
        EXPECT_EQ(partial_files(dir.path), std::vector<std::string>{});
        EXPECT_FALSE(fs::exists(capture));
    }

    fs::remove(err);
    const Spawned limited = spawn_tool(
        {"--variant", "320", "--seed", "1", "--from", "0", "--frames", "30", "--fps", "9",
         "--apng", capture},
        err, [] {
            const rlimit limit{100000, 100000};
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, SIG_DFL);
        });
    ASSERT_GT(limited.pid, 0);
    const int status = wait_status(limited.pid);
    close(limited.out);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(read_text(err),
              "ombrith-render: cannot write " + capture + ": " + std::strerror(EFBIG) + "\n");
    EXPECT_EQ(dir.files(), std::vector<std::string>{"err"});

#ifndef __SANITIZE_ADDRESS__  // the address sanitizer cannot run in a small address space
    // Address spaces from too small to start the tool up to large enough to
    // finish: in between, the tool runs out of memory somewhere.
    int out_of_memory = 0;
    bool finished = false;
    for (rlim_t megabytes = 4; megabytes <= 64 && !finished; ++megabytes) {
        SCOPED_TRACE(std::to_string(megabytes) + " MB");
        const Spawned tool = spawn_tool(
            {"--variant", "640", "--seed", "1", "--from", "0", "--frames", "3", "--fps", "9",
             "--apng", capture},
            err, [megabytes] {
                const rlimit limit{megabytes << 20, megabytes << 20};
                setrlimit(RLIMIT_AS, &limit);
            });
        ASSERT_GT(tool.pid, 0);
        const int ended = wait_status(tool.pid);
        close(tool.out);
        EXPECT_EQ(partial_files(dir.path), std::vector<std::string>{});
        if (WIFEXITED(ended) && WEXITSTATUS(ended) == 127) continue;  // could not even start
        EXPECT_TRUE(WIFEXITED(ended) && WEXITSTATUS(ended) <= 1) << ended;
        finished = WIFEXITED(ended) && WEXITSTATUS(ended) == 0;
        if (WIFEXITED(ended) && WEXITSTATUS(ended) == 1) {
            EXPECT_EQ(read_text(err), "ombrith-render: out of memory\n");
            ++out_of_memory;
        }
    }
    EXPECT_TRUE(finished);
    EXPECT_GT(out_of_memory, 0);
#endif
}

// What the tool cannot do as asked is refused before the first frame with
// status 2, and everything is left as it was: a rate the video header cannot
// state as written (what it can is stated exactly), a number outside the
// grammar the page reads too, a FIFO or a device at a name the tool makes
// up, another user's file in a folder with the sticky bit.
TEST(RenderTool, RefusesBeforeRenderingWhatItCannotDoAsAsked) {
    TempDir dir;
    const std::string d = dir.path.string() + "/", frames = "--variant 320 --seed 1 --from 0 ";
    for (const char* rate : {"0.0001 F1:10000 ", "0.3333 F3333:10000 ", "1.5e1 F15:1 ",
                             "1.999999999534338712692260742187500 F4294967295:2147483648 "}) {
        const std::string fps = std::string(rate).substr(0, std::string(rate).find(' '));
        const std::string out = run_tool(frames + "--frames 1 --video - --fps " + fps).out;
        EXPECT_NE(out.substr(0, out.find('\n')).find(std::string(rate).substr(fps.size())),
                  std::string::npos) << out.substr(0, out.find('\n'));
    }
    ASSERT_EQ(mkfifo((d + "ombrith320-seed1-picture.png").c_str(), 0600), 0);
    fs::create_symlink("/dev/null", d + "ombrith320-seed2-frame0001-t0.5.png");
    for (const std::string& args : std::vector<std::string>{
             frames + "--frames 2 --fps 5e9 --video " + d + "v.y4m",
          frames + "--frames 2 --fps 0.00000000046566128730773925781 --video " + d + "v.y4m",
          "--seed ' 5'", "--seed '5 '", "--seed 0x10", "--frames ' 3' --from 0 --fps 1",
          "--seed 1", "--seed 2 --time 0 --time 0.5"}) {
        EXPECT_EQ(run_tool(args + " --variant 320 --out " + d).status, 2) << args;
    }
    EXPECT_EQ(run_tool("--variant 320 --seed +3. --time .5e1 --out " + d).status, 0);
    EXPECT_EQ(dir.files().size(), 3u);
    EXPECT_TRUE(fs::is_fifo(d + "ombrith320-seed1-picture.png"));

    if (geteuid() != 0) GTEST_SKIP() << "another user's file needs root to be made";
    const fs::path sticky = dir.path / "sticky", theirs = sticky / "theirs.png";
    fs::create_directory(sticky);
    fs::permissions(sticky, fs::perms::all | fs::perms::sticky_bit);
    std::ofstream(theirs) << "kept";
    fs::permissions(theirs, fs::perms::all);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--time", "1", "--apng", theirs.string()},
          {"--time", "0", "--time", "1", "--out", sticky.string()}}) {
        fs::copy_file(theirs, sticky / "ombrith320-seed1-frame0001-t1.png",
                      fs::copy_options::overwrite_existing);
        std::vector<std::string> all{"--variant", "320", "--seed", "1"};
        all.insert(all.end(), args.begin(), args.end());
        const Spawned tool = spawn_tool(all, (dir.path / "err").string(), [] {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(126);  // nobody
        });
        ASSERT_GT(tool.pid, 0);
        const int status = wait_status(tool.pid);
        close(tool.out);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << status;
        EXPECT_EQ(read_text((dir.path / "err").string()).find("ombrith-render: cannot replace"), 0u);
        EXPECT_EQ(std::distance(fs::directory_iterator(sticky), fs::directory_iterator()), 2);
    }
    EXPECT_EQ(read_text(theirs.string()), "kept");
}

// A temporary's name is cut to fit where the file's name fits.
TEST(RenderTool, TemporariesFitWhereverTheTargetFits) {
    TempDir dir;
    const std::string longest = std::string(251, 'n') + ".png";  // 255 bytes
    EXPECT_EQ(run_tool("--variant 320 --seed 1 --time 1 --time 2 --apng " +
                       (dir.path / longest).string()).status,
              0);
    const std::string picture = std::string(250, 'p') + ".png";
    std::vector<uint32_t> pixels(4 * 3, 0x00123456u);
    std::string error;
    EXPECT_TRUE(write_png_file((dir.path / picture).string(), pixels.data(), 4, 3, error)) << error;
    EXPECT_EQ(dir.files(), (std::vector<std::string>{longest, picture}));
}

// No two outputs are one file: the same name, links to one file, a capture
// that is the set-up picture's file; standard output, when a capture goes
// there by another name, carries the capture alone. An --out given with
// captures only is checked too.
TEST(RenderTool, TwoOutputsNeverShareAFile) {
    TempDir dir;
    const std::string frames = "--variant 320 --seed 1 --from 0 --frames 2 --fps 9 ";
    const std::string d = dir.path.string() + "/";
    {
        std::ofstream(dir.path / "target") << "kept";
    }
    fs::create_symlink(dir.path / "target", dir.path / "alias");
    for (const std::string& args :
         {"--apng " + d + "same --video " + d + "same", "--apng " + d + "target --video " + d + "alias",
          "--picture --out " + d + " --video " + d + "ombrith320-seed1-picture.png",
          "--out " + d + "missing --apng " + d + "a.png"}) {
        EXPECT_EQ(run_tool(frames + args).status, 2) << args;
    }
    EXPECT_EQ(dir.files(), (std::vector<std::string>{"alias", "target"}));
    EXPECT_TRUE(read_text(d + "target") == "kept");

    // A link of our own to the tool's standard output, as /dev/stdout is (a
    // tool that replaced it would replace only this one).
    ASSERT_EQ(run_tool(frames + "--video " + d + "v.y4m").status, 0);
    fs::create_symlink("/proc/self/fd/1", dir.path / "stdout");
    const ToolRun run = run_tool(frames + "--video " + d + "stdout");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out == read_text(d + "v.y4m")) << run.out.size() << " bytes";
    EXPECT_TRUE(fs::is_symlink(dir.path / "stdout"));
}
