#include "runtime/startup.h"

#include "platform/clock.h"
#include "platform/console.h"
#include "runtime/console_keys.h"

namespace {

int32_t saved_argc = 0;
void* console_input = nullptr;

using ModuleProcedure = void (*)();

// This program's modules need neither constructors nor destructors.
constexpr ModuleProcedure kModuleCtors[] = {nullptr};
constexpr ModuleProcedure kModuleDtors[] = {nullptr};

void run_list(const ModuleProcedure* list) {
    for (; *list != nullptr; ++list) (*list)();
}

void console_setup() {
    platform_process->set_fp_mode();
    console_input = platform_console->std_input_handle();
    uint32_t mode = 0;
    if (console_input != nullptr && platform_console->get_mode(console_input, &mode)) {
        platform_console->set_mode(console_input, mode | kEnableProcessedInput);
    }
}

}  // namespace

void rt_init(int32_t argc, char**) {
    saved_argc = argc;
    console_setup();
}

void rt_run_ctors() { run_list(kModuleCtors); }

void rt_run_dtors() { run_list(kModuleDtors); }

void rt_end(int32_t code) {
    rt_run_dtors();
    platform_process->exit(code);
    __builtin_unreachable();
}

int32_t console_ctrl_handler(uint32_t event) {
    switch (event) {
        case kCtrlCloseEvent:
        case kCtrlLogoffEvent:
        case kCtrlShutdownEvent:
            console_hand_over_close_key();
            return 1;
        default:
            return 0;
    }
}

void* console_input_handle() { return console_input; }

int32_t rt_argc() { return saved_argc; }
