// The display, window and keyboard tables in use, and the backend's shared
// state.
#include "platform/display.h"
#include "platform/keyboard.h"
#include "platform/web/backend.h"
#include "platform/window_system.h"

const PlatformDisplay* platform_display = &platform_native_display;
const PlatformWindowSystem* platform_window_system = &platform_native_window_system;
const PlatformKeyboard* platform_keyboard = &platform_native_keyboard;

WebBackend web_backend;
char web_library_token;
char web_entry_token;
char web_object_token;
char web_primary_token;
char web_back_token;
char web_window_token;
