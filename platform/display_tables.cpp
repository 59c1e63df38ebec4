// The display, window and keyboard tables in use: the display backend's own.
#include "platform/display.h"
#include "platform/keyboard.h"
#include "platform/window_system.h"

const PlatformDisplay* platform_display = &platform_native_display;
const PlatformWindowSystem* platform_window_system = &platform_native_window_system;
const PlatformKeyboard* platform_keyboard = &platform_native_keyboard;
