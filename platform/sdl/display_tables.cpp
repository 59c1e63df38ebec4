// The display, window and keyboard tables in use, and the backend's shared
// state.
#include "platform/display.h"
#include "platform/keyboard.h"
#include "platform/sdl/backend.h"
#include "platform/window_system.h"

const PlatformDisplay* platform_display = &platform_native_display;
const PlatformWindowSystem* platform_window_system = &platform_native_window_system;
const PlatformKeyboard* platform_keyboard = &platform_native_keyboard;

SdlBackend sdl_backend;
volatile sig_atomic_t sdl_hangup_pending = 0;
char sdl_library_token;
char sdl_entry_token;
char sdl_object_token;
char sdl_primary_token;
char sdl_back_token;
