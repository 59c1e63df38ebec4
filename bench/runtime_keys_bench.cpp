// The per-frame key test of the demo's loop (rt_inkey, then the comparison
// with Escape) through a window's hook and through the console path, and a
// temporary string's cost beside the malloc/free pair it wraps.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "platform/console.h"
#include "runtime/console_keys.h"
#include "runtime/key_input.h"
#include "runtime/strings.h"

namespace {

const char kEscapeText[] = {27, 0};

// A console with nothing waiting, as when no key is typed.
int quiet_token;
void* quiet_handle() { return &quiet_token; }
int quiet_mode(void*, uint32_t* mode) {
    *mode = 0;
    return 1;
}
int quiet_set_mode(void*, uint32_t) { return 1; }
int quiet_records(void*, ConsoleInputRecord*, uint32_t, uint32_t* count) {
    *count = 0;
    return 1;
}
int quiet_handler(ConsoleCtrlHandler, int) { return 1; }
uint32_t quiet_map(uint32_t, uint32_t) { return 0; }
const PlatformConsole quiet_console = {quiet_handle,  quiet_mode,    quiet_set_mode, quiet_records,
                                       quiet_records, quiet_handler, quiet_map};

KeyString* no_key() { return &rt_empty_string; }

void BM_EscapeTestThroughHook(benchmark::State& state) {
    key_input_hooks.inkey_hook = no_key;
    for (auto _ : state) benchmark::DoNotOptimize(rt_str_compare(rt_inkey(), -1, kEscapeText, 2));
    key_input_hooks.inkey_hook = nullptr;
}
BENCHMARK(BM_EscapeTestThroughHook);

void BM_EscapeTestThroughConsole(benchmark::State& state) {
    platform_console = &quiet_console;
    for (auto _ : state) benchmark::DoNotOptimize(rt_str_compare(rt_inkey(), -1, kEscapeText, 2));
    platform_console = &platform_native_console;
}
BENCHMARK(BM_EscapeTestThroughConsole);

void BM_EscapeTestWithAKeyEachFrame(benchmark::State& state) {
    platform_console = &quiet_console;
    for (auto _ : state) {
        console_post_key('a');
        benchmark::DoNotOptimize(rt_str_compare(rt_inkey(), -1, kEscapeText, 2));
    }
    platform_console = &platform_native_console;
}
BENCHMARK(BM_EscapeTestWithAKeyEachFrame);

void BM_TempStringOneByte(benchmark::State& state) {
    for (auto _ : state) {
        StringDescriptor* desc = rt_temp_alloc(1);
        benchmark::DoNotOptimize(desc);
        rt_temp_release(desc);
    }
}
BENCHMARK(BM_TempStringOneByte);

void BM_MallocFreeSameSize(benchmark::State& state) {
    for (auto _ : state) {
        void* block = std::malloc(37);
        benchmark::DoNotOptimize(block);
        std::free(block);
    }
}
BENCHMARK(BM_MallocFreeSameSize);

}  // namespace

BENCHMARK_MAIN();
