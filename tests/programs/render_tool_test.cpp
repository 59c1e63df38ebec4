// The render tool: its command line, its files, and what it refuses.
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <memory>
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
    const std::vector<std::vector<const char*>> bad = {
        {"--variant", "800"}, {"--variant"},          {"--seed", "abc"},
        {"--seed", "inf"},    {"--seed", "nan"},      {"--time", "1e999"},
        {"--time", ""},       {"--from", "1"},        {"--frames", "0", "--from", "1", "--fps", "2"},
        {"--frames", "2x"},   {"--fps", "0", "--from", "1", "--frames", "2"},
        {"--bogus"},
    };
    for (const auto& args : bad) {
        RenderOptions o;
        std::string error;
        EXPECT_FALSE(parse(args, o, error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
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
    for (const char* args : {"--variant 321", "--seed x", "--time nan", "--frames 3", "--apng x.png",
                             "--time 1 --video v.y4m", "--time 1 --video - --apng -"}) {
        EXPECT_EQ(run_tool(args + out).status, 2) << args;
    }
    EXPECT_EQ(run_tool("--picture --out " + (dir.path / "missing").string()).status, 2);
    EXPECT_EQ(run_tool("--time 1 --apng " + (dir.path / "missing" / "a.png").string()).status, 2);
    std::FILE* f = std::fopen((dir.path / "plain-file").c_str(), "w");
    std::fclose(f);
    EXPECT_EQ(run_tool("--picture --out " + (dir.path / "plain-file").string()).status, 2);
    // A capture whose name is taken by a directory fails at the end, after
    // every frame is written, and leaves nothing behind.
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
// gives exactly the frames' pixels at their clock readings, the video the
// announced size and rate, every frame, each level within 2 of the pixels.
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
    EXPECT_TRUE(command_output("ffmpeg -v error -f apng -i " + apng + to_rgb) ==
                frames_rgb({2.0, 2.5, 2.75}));
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
