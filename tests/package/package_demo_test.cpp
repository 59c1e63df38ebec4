// The demo from the unpacked Debian package on a private X server: it shows
// its window, runs until Escape and ends with status 0.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/e2e/x_session.h"

TEST(PackagedDemo, RunsUntilEscapeWithStatus0) {
    const std::string program = OMBRITH_PACKAGE_ROOT "/usr/bin/ombrith320";
    XServer x;
    ASSERT_TRUE(x_start(x, 640, 480, 24)) << "Xvfb did not start";
    const pid_t pid = spawn_program(program, x.name());
    ASSERT_GT(pid, 0);
    // A frame on the screen: the centre is lit (the borders are black).
    // Generous limits: the machine may be busy.
    const bool shown = wait_until(
        [&] {
            const std::vector<uint8_t> shot = screenshot(x);
            const size_t centre = (static_cast<size_t>(x.height / 2) * x.width + x.width / 2) * 3;
            return shot.size() > centre + 2 &&
                   (shot[centre] | shot[centre + 1] | shot[centre + 2]) != 0;
        },
        120.0);
    EXPECT_TRUE(shown) << "the packaged ombrith320 showed no frame";
    EXPECT_EQ(wait_exit(pid, 0.5), -1) << "the packaged ombrith320 ended by itself";
    int status = -1;
    run_on(x, "xdotool key Escape", &status);
    EXPECT_EQ(status, 0);
    const int exit_status = wait_exit(pid, 30.0);
    if (exit_status == -1) kill_program(pid);
    x_stop(x);
    EXPECT_EQ(exit_status, 0);
}
