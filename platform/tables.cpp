#include "platform/clock.h"

const PlatformClock* platform_clock = &platform_native_clock;
const PlatformProcess* platform_process = &platform_native_process;

#include "platform/console.h"

const PlatformConsole* platform_console = &platform_native_console;
