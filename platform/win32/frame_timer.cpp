#include "platform/win32/frame_timer.h"

#include <windows.h>

#include <mmsystem.h>

namespace {

int64_t now_ns() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    const int64_t f = frequency.QuadPart;
    return count.QuadPart / f * 1000000000 + count.QuadPart % f * 1000000000 / f;
}

}  // namespace

void frame_timer_wait(FrameTimer& timer) {
    if (!timer.fine_resolution) timer.fine_resolution = timeBeginPeriod(1) == TIMERR_NOERROR;
    const int64_t wait = frame_pacer_wait(timer.pacer, now_ns());
    if (wait > 0) Sleep(static_cast<DWORD>((wait + 999999) / 1000000));
}

void frame_timer_presented(FrameTimer& timer) { frame_pacer_presented(timer.pacer, now_ns()); }

void frame_timer_stop(FrameTimer& timer) {
    if (timer.fine_resolution) timeEndPeriod(1);
    timer = FrameTimer{};
}
