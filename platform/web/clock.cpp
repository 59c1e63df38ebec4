// Clock and process backend in the browser: the page's clock as the fine
// counter (in nanoseconds), and waits that hand the thread back to the page.
//
// The counter runs from a point that differs from visit to visit, as a
// desktop's counter runs from boot, so the seed the demo takes from the clock
// does too: the page's time origin (a wall-clock time) reduced to under
// 4096 s, plus performance.now(). Readings stay small enough for the
// single-precision animation clock to move smoothly.
//
// The page's event loop runs only while the program waits, so a wait is an
// Asyncify suspension: the flip (display.cpp) waits for an animation frame,
// a sleep of 1 ms or more for a timer; sleep(0), which follows every flip,
// has nothing left to wait for. A sleep while the page is inactive (hidden or
// without the focus) lasts until the page becomes active again, a second at
// most, so an inactive demo takes next to no time of the page. Exit runs the
// at-exit procedures, tells the page the status and stops the program where
// it is.
#include <emscripten.h>

#include <cstdint>

#include "platform/clock.h"

EM_JS(double, web_now_ms, (), {
    // The page may set the offset (it does, to show the set-up picture of a
    // reading before the demo starts).
    if (Module.clockOffsetMs === undefined) {
        const origin = performance.timeOrigin || Date.now() - performance.now();
        Module.clockOffsetMs = origin % 4096000;
    }
    return Module.clockOffsetMs + performance.now();
});

// An inactive page's wait ends early when the page posts an activation
// (window_system.cpp calls Module.wakeSleeper).
EM_ASYNC_JS(void, web_wait_ms, (int ms), {
    const active = document.visibilityState === 'visible' && document.hasFocus();
    await new Promise(resolve => {
        const done = () => {
            clearTimeout(timer);
            Module.wakeSleeper = null;
            resolve();
        };
        const timer = setTimeout(done, active ? ms : Math.max(ms, 1000));
        if (!active) Module.wakeSleeper = done;
    });
});

EM_JS(void, web_report_exit, (int code), {
    if (Module.onDemoExit) Module.onDemoExit(code);
});

// The program's stack is left suspended for good: nothing of it runs again,
// and no exception unwinds through the page's event handlers.
EM_ASYNC_JS(void, web_stop, (), {
    await new Promise(() => {});
});

namespace {

constexpr int32_t kMaxExitProcedures = 32;
void (*exit_procedures[kMaxExitProcedures])();
int32_t exit_procedure_count = 0;

int query_frequency(int64_t* frequency) {
    *frequency = 1000000000;
    return 1;
}

int query_counter(int64_t* count) {
    *count = static_cast<int64_t>(web_now_ms() * 1e6);
    return 1;
}

uint32_t tick_count() { return static_cast<uint32_t>(static_cast<uint64_t>(web_now_ms())); }

// A frame already waited for the page in the flip; a longer sleep (an
// inactive page) waits for a timer or the page's activation, so the loop
// never holds the page.
void sleep_ms(uint32_t ms) {
    if (ms > 0) web_wait_ms(static_cast<int>(ms));
}

// WebAssembly rounds to nearest and has no other mode to set.
void set_fp_mode() {}

int at_exit(void (*procedure)()) {
    if (exit_procedure_count == kMaxExitProcedures) return -1;
    exit_procedures[exit_procedure_count++] = procedure;
    return 0;
}

[[noreturn]] void exit_process(int code) {
    while (exit_procedure_count > 0) exit_procedures[--exit_procedure_count]();
    web_report_exit(code);
    for (;;) web_stop();
}

}  // namespace

const PlatformClock platform_native_clock = {
    .query_frequency = query_frequency,
    .query_counter = query_counter,
    .tick_count = tick_count,
    .sleep = sleep_ms,
};
const PlatformProcess platform_native_process = {
    .set_fp_mode = set_fp_mode,
    .at_exit = at_exit,
    .exit = exit_process,
};
