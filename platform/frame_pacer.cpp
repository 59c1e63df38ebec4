#include "platform/frame_pacer.h"

int64_t frame_pacer_wait(const FramePacer& pacer, int64_t now) {
    if (!pacer.started) return 0;
    const int64_t wait = pacer.due - kFrameSlackNs - now;
    return wait > 0 ? wait : 0;
}

void frame_pacer_presented(FramePacer& pacer, int64_t now) {
    int64_t base = now;
    if (pacer.started && pacer.due > now - kFramePeriodNs / 2) base = pacer.due;
    pacer.started = true;
    pacer.due = base + kFramePeriodNs;
}
