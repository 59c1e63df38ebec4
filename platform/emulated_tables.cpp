// The display, window and keyboard tables in use where the emulated display
// is the backend's own; there is no other way to show a frame.
#include "platform/display.h"
#include "platform/emulated_display.h"
#include "platform/keyboard.h"
#include "platform/window_system.h"

const PlatformDisplay* platform_display = &platform_emulated_display;
const PlatformWindowSystem* platform_window_system = &platform_emulated_window_system;
const PlatformKeyboard* platform_keyboard = &platform_emulated_keyboard;

const PlatformDisplay* platform_fallback_display = nullptr;
const PlatformWindowSystem* platform_fallback_window_system = nullptr;
