// The demo programs on a private X server: the screen shows the effect, keys
// and the window's close end it, focus decides whether it draws, without a
// display it ends at once, and nothing it waits on keeps it from ending.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/doubles/colour_oracle.h"
#include "tests/e2e/x_session.h"

namespace {

struct Program {
    const char* name;
    int width;
    int height;
};

// Generous limits: set-up of the larger variant computes 25 million
// distances, and the machine may be busy.
constexpr double kStartLimit = 120.0;
constexpr double kStepLimit = 30.0;

void PrintTo(const Program& p, std::ostream* os) { *os << p.name; }

std::string program_path(const Program& p) { return std::string(OMBRITH_PROGRAM_DIR "/") + p.name; }

// Where the frame lies on the screen: scaled by the largest whole factor
// that fits, centred.
struct FrameArea {
    int left, top, scale, width, height;
};

FrameArea frame_area(const XServer& x, const Program& p) {
    const int scale = std::min(x.width / p.width, x.height / p.height);
    return {(x.width - p.width * scale) / 2, (x.height - p.height * scale) / 2, scale,
            p.width * scale, p.height * scale};
}

// Every colour the colour mapping can give, reduced to the bits the display
// keeps (the top byte never reaches the screen).
std::set<uint32_t> mapping_colours(int depth) {
    std::set<uint32_t> colours;
    for (uint32_t candidate : kMappingColours) {
        const uint32_t c = candidate & 0xFFFFFF;
        if (depth == 16) {
            colours.insert(((c >> 19) & 0x1F) << 11 | ((c >> 10) & 0x3F) << 5 | ((c >> 3) & 0x1F));
        } else {
            colours.insert(c);
        }
    }
    return colours;
}

uint32_t shot_colour(const std::vector<uint8_t>& shot, const XServer& x, int px, int py, int depth) {
    const size_t i = (static_cast<size_t>(py) * x.width + px) * 3;
    const uint32_t r = shot[i], g = shot[i + 1], b = shot[i + 2];
    if (depth == 16) return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3);
    return r << 16 | g << 8 | b;
}

bool frame_pixel_lit(const std::vector<uint8_t>& shot, const XServer& x, const FrameArea& a) {
    if (shot.empty()) return false;
    // The frame's centre and corners: black nowhere once a frame is shown.
    const int points[5][2] = {{a.left + a.width / 2, a.top + a.height / 2},
                              {a.left, a.top},
                              {a.left + a.width - 1, a.top},
                              {a.left, a.top + a.height - 1},
                              {a.left + a.width - 1, a.top + a.height - 1}};
    for (const auto& pt : points) {
        if (shot_colour(shot, x, pt[0], pt[1], 24) == 0) return false;
    }
    return true;
}

bool frames_differ(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    return !a.empty() && !b.empty() && a != b;
}

struct DemoRun {
    XServer x;
    pid_t pid = -1;
    std::string window;
};

class DemoOnX : public ::testing::TestWithParam<Program> {
protected:
    DemoRun run;

    // Starts the X server and the program and waits for the first frame.
    void start(int width, int height, int depth) {
        ASSERT_TRUE(x_start(run.x, width, height, depth)) << "Xvfb did not start";
        run.pid = spawn_program(program_path(GetParam()), run.x.name());
        ASSERT_GT(run.pid, 0);
        const FrameArea a = frame_area(run.x, GetParam());
        ASSERT_TRUE(wait_until([&] { return frame_pixel_lit(screenshot(run.x), run.x, a); }, kStartLimit))
            << "no frame shown";
        run.window = run_on(run.x, "xdotool search --name '^Ombrith by Talvane$'");
        ASSERT_FALSE(run.window.empty());
    }
    void TearDown() override {
        kill_program(run.pid);
        x_stop(run.x);
    }
    void key(const std::string& keys) {
        int status = -1;
        run_on(run.x, "xdotool key --delay 20 " + keys, &status);
        ASSERT_EQ(status, 0);
    }
    // Waits until the screen changes between two screenshots.
    bool moving() {
        std::vector<uint8_t> before = screenshot(run.x);
        return wait_until(
            [&] {
                std::vector<uint8_t> after = screenshot(run.x);
                return frames_differ(before, after);
            },
            kStepLimit);
    }
    void expect_effect_on_screen(int depth) {
        const std::vector<uint8_t> shot = screenshot(run.x);
        ASSERT_FALSE(shot.empty());
        const FrameArea a = frame_area(run.x, GetParam());
        const std::set<uint32_t> colours = mapping_colours(depth);
        int foreign = 0, lit_border = 0;
        for (int y = 0; y < run.x.height; ++y) {
            for (int x = 0; x < run.x.width; ++x) {
                const uint32_t c = shot_colour(shot, run.x, x, y, depth);
                const bool inside = x >= a.left && x < a.left + a.width && y >= a.top &&
                                    y < a.top + a.height;
                if (inside && colours.count(c) == 0) ++foreign;
                if (!inside && c != 0) ++lit_border;
            }
        }
        EXPECT_EQ(foreign, 0) << "pixels of the frame that the colour mapping cannot give";
        EXPECT_EQ(lit_border, 0) << "pixels outside the frame that are not black";
    }
};

TEST_P(DemoOnX, ShowsTheEffectWithMovingLensesAndEscapeEndsItWithStatus0) {
    start(1024, 768, 24);
    expect_effect_on_screen(24);
    EXPECT_TRUE(moving()) << "the lenses do not move";

    key("a B space 1 Up F1 Return");
    ASSERT_EQ(wait_exit(run.pid, 0.3), -1) << "ordinary keys do not end the demo";
    const double sent = now_seconds();
    key("Escape");
    const int status = wait_exit(run.pid, kStepLimit);
    const double took = now_seconds() - sent;
    run.pid = -1;
    RecordProperty("escape_to_exit_ms", static_cast<int>(took * 1000.0));
    EXPECT_EQ(status, 0);
    EXPECT_LT(took, 1.0) << "Escape took " << took << " s to end the demo";
    // The display is given back: the window is gone.
    EXPECT_EQ(run_on(run.x, "xdotool search --name '^Ombrith by Talvane$'"), "");
}

TEST_P(DemoOnX, LosingTheFocusStopsDrawingAndKeysWhileAway) {
    start(1024, 768, 24);
    const std::string root = run_on(run.x, "xwininfo -root | awk '/Window id/ {print $4}'");
    ASSERT_FALSE(root.empty());
    int status = -1;
    run_on(run.x, "xdotool windowfocus " + root, &status);
    ASSERT_EQ(status, 0);
    // Drawing stops: two screenshots a little apart come out the same.
    ASSERT_TRUE(wait_until(
        [&] {
            std::vector<uint8_t> a = screenshot(run.x);
            std::vector<uint8_t> b = screenshot(run.x);
            return !a.empty() && a == b;
        },
        kStepLimit))
        << "the screen keeps changing without the focus";
    const std::vector<uint8_t> still = screenshot(run.x);
    key("Escape");
    EXPECT_EQ(wait_exit(run.pid, 0.5), -1) << "Escape pressed away from the window ended the demo";
    EXPECT_EQ(screenshot(run.x), still);

    run_on(run.x, "xdotool windowfocus " + run.window, &status);
    ASSERT_EQ(status, 0);
    EXPECT_TRUE(moving()) << "drawing does not resume with the focus";
    key("Escape");
    EXPECT_EQ(wait_exit(run.pid, kStepLimit), 0);
    run.pid = -1;
}

TEST_P(DemoOnX, ClosingTheWindowEndsTheDemoWithStatus0) {
    start(1024, 768, 24);
    int status = -1;
    run_on(run.x, std::string(OMBRITH_CLOSE_TOOL) + " " + run.window, &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(wait_exit(run.pid, kStepLimit), 0);
    run.pid = -1;
    EXPECT_EQ(run_on(run.x, "xdotool search --name '^Ombrith by Talvane$'"), "");
}

// Ctrl+C in the terminal that started it, a plain kill, or that terminal
// closing ends the demo the way closing the window does: the display is
// given back, status 0.
TEST_P(DemoOnX, InterruptTerminateAndHangupEndItLikeClosingTheWindow) {
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal_number));
        start(1024, 768, 24);
        ASSERT_EQ(kill(run.pid, signal_number), 0);
        EXPECT_EQ(wait_exit(run.pid, kStepLimit), 0);
        run.pid = -1;
        EXPECT_EQ(run_on(run.x, "xdotool search --name '^Ombrith by Talvane$'"), "");
        x_stop(run.x);
    }
}

TEST_P(DemoOnX, WithoutAReachableDisplayItEndsAtOnceWithStatus255) {
    // A display number no server listens on, and no display at all.
    ASSERT_TRUE(x_start(run.x, 320, 240, 24));
    const std::string unused = std::string(":").append(std::to_string(run.x.display + 97));
    for (const std::string& display : {unused, std::string()}) {
        SCOPED_TRACE("DISPLAY=" + display);
        const double started = now_seconds();
        const pid_t pid = spawn_program(program_path(GetParam()), display);
        ASSERT_GT(pid, 0);
        EXPECT_EQ(wait_exit(pid, kStepLimit), 255);
        EXPECT_LT(now_seconds() - started, 5.0) << "set-up ran without a display";
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, DemoOnX,
                         ::testing::Values(Program{"ombrith320", 320, 240},
                                           Program{"ombrith640", 640, 480}),
                         [](const auto& info) { return std::string(info.param.name); });

// A server at depth 16: the display opens at 16 bits with the 5-6-5 layout.
TEST(DemoOnX16, OpensAt16BitsAndShowsTheEffectInTheDisplaysLayout) {
    const Program p{"ombrith320", 320, 240};
    XServer x;
    ASSERT_TRUE(x_start(x, 800, 600, 16));
    const pid_t pid = spawn_program(program_path(p), x.name());
    ASSERT_GT(pid, 0);
    const FrameArea a = frame_area(x, p);
    const bool shown = wait_until([&] { return frame_pixel_lit(screenshot(x), x, a); }, kStartLimit);
    EXPECT_TRUE(shown);
    if (shown) {
        const std::vector<uint8_t> shot = screenshot(x);
        const std::set<uint32_t> colours = mapping_colours(16);
        int foreign = 0;
        for (int y = a.top; y < a.top + a.height; ++y) {
            for (int px = a.left; px < a.left + a.width; ++px) {
                if (colours.count(shot_colour(shot, x, px, y, 16)) == 0) ++foreign;
            }
        }
        EXPECT_EQ(foreign, 0);
    }
    run_on(x, "xdotool key Escape");
    EXPECT_EQ(wait_exit(pid, kStepLimit), 0);
    kill_program(pid);
    x_stop(x);
}

// A listening socket that never answers, as an X display on TCP: the port
// of the first free display number from 50 on; -1 when none is free.
int mute_display(int* number) {
    for (int n = 50; n < 100; ++n) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(6000 + n));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            listen(fd, 8) == 0) {
            *number = n;
            return fd;
        }
        close(fd);
    }
    return -1;
}

// Nothing that the demo can be stuck in keeps it from ending: a signal ends
// it within about a second with status 0, giving its terminal back, whether
// it waits on a display that never answers or on one that stopped; a display
// that never answers counts as none after 10 s (a loaded machine, or qemu,
// opens a real one far sooner); drivers that show nothing count as none; a
// display that goes away ends it with 255, silently.
TEST(DemoEnding, MuteAndLostDisplaysHeadlessDriversAndSignals) {
    const std::string demo = std::string(OMBRITH_PROGRAM_DIR "/") + "ombrith320";
    int number = 0;
    const int mute = mute_display(&number);
    ASSERT_GE(mute, 0);
    const std::string mute_name = "127.0.0.1:" + std::to_string(number);
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0);
    const int input = open(ptsname(terminal), O_RDWR | O_NOCTTY);
    termios before{};
    ASSERT_EQ(tcgetattr(input, &before), 0);
    before.c_lflag &= ~static_cast<tcflag_t>(ISIG);  // which the runtime turns on
    ASSERT_EQ(tcsetattr(input, TCSANOW, &before), 0);
    for (int signal_number : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(signal_number));
        const pid_t pid = spawn_program(demo, mute_name, {}, input, -1);
        ASSERT_EQ(wait_exit(pid, 1.0), -1) << "did not wait for the display";
        const double sent = now_seconds();
        kill(pid, signal_number);
        EXPECT_EQ(wait_exit(pid, 3.0), 0);
        EXPECT_LT(now_seconds() - sent, 3.0);
        kill_program(pid);
        termios after{};
        EXPECT_TRUE(tcgetattr(input, &after) == 0 && (after.c_lflag & ISIG) == 0);
    }
    const pid_t waiting = spawn_program(demo, mute_name);
    EXPECT_EQ(wait_exit(waiting, 20.0), 255) << "a display that never answers";
    kill_program(waiting);
    close(mute);
    close(input);
    close(terminal);

    for (const char* driver : {"dummy", "offscreen"}) {
        const std::string variable = std::string("SDL_VIDEODRIVER=") + driver;
        const pid_t pid = spawn_program(demo, "", {variable}, -1, -1);
        EXPECT_EQ(wait_exit(pid, 3.0), 255) << driver;
        kill_program(pid);
    }

    XServer x;
    ASSERT_TRUE(x_start(x, 640, 480, 24));
    const auto started = [&] {
        return !run_on(x, "xdotool search --name '^Ombrith by Talvane$'").empty();
    };
    const pid_t stuck = spawn_program(demo, x.name());
    ASSERT_TRUE(wait_until(started, kStartLimit));
    kill(x.pid, SIGSTOP);
    kill(stuck, SIGTERM);
    EXPECT_EQ(wait_exit(stuck, 3.0), 0) << "a signal while the display does not answer";
    kill(x.pid, SIGCONT);
    kill_program(stuck);

    char error_name[] = "/tmp/ombrith-e2e-stderr-XXXXXX";
    const int error = mkstemp(error_name);
    const pid_t lost = spawn_program(demo, x.name(), {}, -1, error);
    ASSERT_TRUE(wait_until(started, kStartLimit));
    x_stop(x);
    EXPECT_EQ(wait_exit(lost, kStepLimit), 255) << "the display went away";
    kill_program(lost);
    EXPECT_EQ(lseek(error, 0, SEEK_END), 0) << "something on standard error";
    close(error);
    unlink(error_name);
}

}  // namespace
