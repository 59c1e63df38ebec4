// The render tool: its command line, its files, and what it refuses.
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
    for (const char* args : {"--variant 321", "--seed x", "--time nan", "--frames 3"}) {
        EXPECT_EQ(run_tool(args + out).status, 2) << args;
    }
    EXPECT_EQ(run_tool("--picture --out " + (dir.path / "missing").string()).status, 2);
    std::FILE* f = std::fopen((dir.path / "plain-file").c_str(), "w");
    std::fclose(f);
    EXPECT_EQ(run_tool("--picture --out " + (dir.path / "plain-file").string()).status, 2);
    EXPECT_EQ(dir.files(), std::vector<std::string>{"plain-file"});
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
