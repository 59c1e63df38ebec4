// The display, window and keyboard tables in use: DirectDraw and USER32
// first; where DirectDraw refuses the display, the emulated display over the
// window hooks of window_screen.cpp takes its place (window_open switches).
// The keyboard stays USER32's on both: the window is a real one either way.
#include "platform/display.h"
#include "platform/emulated_display.h"
#include "platform/keyboard.h"
#include "platform/window_system.h"

const PlatformDisplay* platform_display = &platform_native_display;
const PlatformWindowSystem* platform_window_system = &platform_native_window_system;
const PlatformKeyboard* platform_keyboard = &platform_native_keyboard;

const PlatformDisplay* platform_fallback_display = &platform_emulated_display;
const PlatformWindowSystem* platform_fallback_window_system = &platform_emulated_window_system;
