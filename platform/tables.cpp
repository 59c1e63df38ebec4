#include "platform/clock.h"

const PlatformClock* platform_clock = &platform_native_clock;
const PlatformProcess* platform_process = &platform_native_process;
