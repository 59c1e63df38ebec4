// The clock, process and console tables in use: the core backend's own.
#include "platform/clock.h"
#include "platform/console.h"

const PlatformClock* platform_clock = &platform_native_clock;
const PlatformProcess* platform_process = &platform_native_process;
const PlatformConsole* platform_console = &platform_native_console;
