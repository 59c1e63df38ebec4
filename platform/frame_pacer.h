// Pacing of presented frames: a live demo shows at most 60 frames a second,
// since its ripple steps once per presented frame and a faster display would
// run it faster than the 60 Hz displays it was made for. Slower displays are
// left alone: every frame they offer is taken.
//
// Times are in nanoseconds on any steady counter. A backend asks
// `frame_pacer_wait` before it shows a frame (waiting that long, or skipping
// display refreshes until it reads 0) and calls `frame_pacer_presented` once
// the frame is shown.
#pragma once

#include <cstdint>

constexpr int64_t kFramePeriodNs = 16666667;  // 1/60 s
// A refresh this early still counts as due: display refreshes jitter around
// their period, and a 60 Hz one must not lose every other frame to that.
constexpr int64_t kFrameSlackNs = 1000000;

struct FramePacer {
    bool started = false;
    int64_t due = 0;  // when the next frame may be shown
};

// Nanoseconds to wait at `now` before the next frame may be shown; 0 when it
// may be shown at once.
int64_t frame_pacer_wait(const FramePacer& pacer, int64_t now);

// Notes a frame shown at `now`. The next is due one period after this one
// was due, so a display whose refreshes do not divide 1/60 s still averages
// 60 frames a second; a frame shown late by more than half a period moves
// the schedule instead, so no burst of frames makes up for a stall.
void frame_pacer_presented(FramePacer& pacer, int64_t now);
