// Pacing of what the Windows backend shows, on both of its ways (DirectDraw's
// flips, the window's presents): at most 60 frames a second by the frame
// pacer, timed with the performance counter. Nothing waits for the vertical
// blank, which some systems (Wine among them) do not wait for at all. While
// a schedule runs, the system's timer is asked for 1 ms resolution, so a
// sleep ends when the frame is due rather than a scheduler tick later.
#pragma once

#include "platform/frame_pacer.h"

struct FrameTimer {
    FramePacer pacer;
    bool fine_resolution = false;
};

// Waits until the next frame may be shown.
void frame_timer_wait(FrameTimer& timer);
// Notes that a frame was shown now.
void frame_timer_presented(FrameTimer& timer);
// Ends the schedule and gives the timer resolution back.
void frame_timer_stop(FrameTimer& timer);
