// Clock and process operations of the platform layer.
//
// Each operation mirrors one system facility that the runtime relies on. The
// table in use is `platform_clock`; it points at the build's backend and tests
// point it at a scripted fake.
#pragma once

#include <cstdint>

struct PlatformClock {
    // Frequency of the fine counter in ticks per second; 0 when the system
    // has no fine counter (QueryPerformanceFrequency failing).
    int (*query_frequency)(int64_t* frequency);
    // Current value of the fine counter; the result flag may be ignored.
    int (*query_counter)(int64_t* count);
    // Milliseconds since an origin of the system's, wrapping at 2^32.
    uint32_t (*tick_count)();
    // Yields the processor for about `ms` milliseconds (0 yields once).
    void (*sleep)(uint32_t ms);
};

struct PlatformProcess {
    // Round to nearest (ties to even) with a 64-bit significand on an x87
    // unit; round to nearest elsewhere. Exception masks are left alone.
    void (*set_fp_mode)();
    // Registers a procedure to run at exit, in reverse order of registration.
    int (*at_exit)(void (*procedure)());
    // Ends the process with the given status, running the at-exit procedures;
    // never returns. (The attribute cannot go on the pointer: Clang, which
    // builds the WebAssembly version, refuses it there.)
    void (*exit)(int code);
};

extern const PlatformClock* platform_clock;
extern const PlatformProcess* platform_process;

// The build's own backends, for tests that put them back.
extern const PlatformClock platform_native_clock;
extern const PlatformProcess platform_native_process;
