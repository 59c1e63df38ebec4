// Clock and process backend in the browser: performance.now() as the fine
// counter (in nanoseconds), and waits that hand the thread back to the page.
//
// The page's event loop runs only while the program waits, so a wait is an
// Asyncify suspension: the flip (display.cpp) waits for the next animation
// frame, a sleep of 1 ms or more for a timer; sleep(0), which follows every
// flip, has nothing left to wait for. Exit runs the at-exit procedures, tells
// the page the status and stops the program where it is.
#include <emscripten.h>

#include <cstdint>

#include "platform/clock.h"

EM_JS(double, web_now_ms, (), { return performance.now(); });

EM_ASYNC_JS(void, web_wait_ms, (int ms), {
    await new Promise(resolve => setTimeout(resolve, ms));
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
// inactive page) waits for a timer, so the loop never holds the page.
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

const PlatformClock platform_native_clock = {query_frequency, query_counter, tick_count, sleep_ms};
const PlatformProcess platform_native_process = {set_fp_mode, at_exit, exit_process};
