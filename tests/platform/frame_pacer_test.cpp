// Frame pacing against displays of several refresh rates: the frames a
// backend that shows a frame on the first refresh its pacer allows would
// present over ten seconds.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/frame_pacer.h"

namespace {

// The times of the frames shown on a display refreshing every `period_ns`
// (with `jitter_ns` alternately added and taken away) over `seconds`.
std::vector<int64_t> shown_frames(int64_t period_ns, int64_t jitter_ns, int seconds,
                                  size_t* refreshes) {
    FramePacer pacer;
    std::vector<int64_t> shown;
    const int64_t end = static_cast<int64_t>(seconds) * 1000000000;
    *refreshes = 0;
    for (int64_t k = 0; k * period_ns < end; ++k, ++*refreshes) {
        const int64_t refresh = k * period_ns + ((k % 2) != 0 ? jitter_ns : -jitter_ns);
        if (frame_pacer_wait(pacer, refresh) > 0) continue;
        frame_pacer_presented(pacer, refresh);
        shown.push_back(refresh);
    }
    return shown;
}

// The most frames shown in any one second.
size_t most_in_a_second(const std::vector<int64_t>& shown) {
    size_t most = 0;
    size_t first = 0;
    for (size_t last = 0; last < shown.size(); ++last) {
        while (shown[last] - shown[first] >= 1000000000) ++first;
        if (last - first + 1 > most) most = last - first + 1;
    }
    return most;
}

TEST(FramePacer, ShowsAtMostSixtyFramesASecondAndEveryFrameOfSlowerDisplays) {
    struct Display {
        int64_t period_ns;
        int64_t jitter_ns;
        bool every_refresh;  // otherwise 59 to 60 frames a second
    };
    const Display displays[] = {
        {16666667, 400000, true},  // 60 Hz, jittering: no frame lost
        {20000000, 0, true},       // 50 Hz
        {33333333, 300000, true},  // 30 Hz, jittering
        {8333333, 0, false},       // 120 Hz
        {6944444, 200000, false},  // 144 Hz, jittering
        {4166667, 0, false},       // 240 Hz
        {1000000, 0, false},       // a display that never waits
    };
    for (const Display& d : displays) {
        size_t refreshes = 0;
        const std::vector<int64_t> shown = shown_frames(d.period_ns, d.jitter_ns, 10, &refreshes);
        SCOPED_TRACE(d.period_ns);
        if (d.every_refresh) {
            EXPECT_EQ(shown.size(), refreshes);
        } else {
            EXPECT_GE(shown.size(), 590u);
            EXPECT_LE(shown.size(), 601u);
        }
        EXPECT_LE(most_in_a_second(shown), 61u);
    }
}

TEST(FramePacer, AStallMovesTheScheduleInsteadOfBurstingToCatchUp) {
    FramePacer pacer;
    frame_pacer_presented(pacer, 0);
    EXPECT_GT(frame_pacer_wait(pacer, 1000000), 0);
    // Half a second without a frame, then a display that never waits.
    int64_t now = 500000000;
    int shown = 0;
    for (; now < 600000000; now += 100000) {
        if (frame_pacer_wait(pacer, now) > 0) continue;
        frame_pacer_presented(pacer, now);
        ++shown;
    }
    EXPECT_LE(shown, 7);  // 100 ms: 6 frames, at most one early
}

}  // namespace
