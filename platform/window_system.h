// Window and message operations of the platform layer: a USER32-shaped view of
// one window and its message queue.
//
// Messages carry the Windows message numbers and parameters, so the window
// procedure is the same code on every platform. The backend calls the window
// procedure of the registered class from `dispatch_message` (and for messages
// the system sends straight to the window). The procedure type is the plain
// C++ one; a Windows backend registers a stdcall procedure of its own that
// forwards to it.
//
// The table in use is `platform_window_system`, defined by the display backend
// library and pointing at `platform_native_window_system` or at the emulated
// display's; tests point it at a scripted fake. It is switched together with
// the display table, and so has a fallback as that has.
#pragma once

#include <cstdint>

#include "platform/handle.h"

using PlatformWindowProc = intptr_t (*)(PlatformHandle window, uint32_t message, uintptr_t wparam,
                                        intptr_t lparam);

constexpr uint32_t kMessageClose = 0x10;        // WM_CLOSE
constexpr uint32_t kMessageActivateApp = 0x1C;  // WM_ACTIVATEAPP
constexpr uint32_t kMessageSetCursor = 0x20;    // WM_SETCURSOR
constexpr uint32_t kMessageKeyDown = 0x100;     // WM_KEYDOWN
constexpr uint32_t kMessageKeyUp = 0x101;       // WM_KEYUP
constexpr uint32_t kMessageSysKeyDown = 0x104;  // WM_SYSKEYDOWN
constexpr uint32_t kMessageSysKeyUp = 0x105;    // WM_SYSKEYUP
constexpr uint32_t kMessageMouseMove = 0x200;   // WM_MOUSEMOVE

constexpr uintptr_t kHitClient = 1;  // HTCLIENT: a WM_SETCURSOR's hit-test code

constexpr uint32_t kWindowStylePopup = 0x80000000u;  // WS_POPUP
constexpr uint32_t kPeekRemove = 0x1;                // PM_REMOVE

constexpr uint32_t kSpiGetScreenSaveActive = 16;  // SPI_GETSCREENSAVEACTIVE
constexpr uint32_t kSpiSetScreenSaveActive = 17;  // SPI_SETSCREENSAVEACTIVE

// WNDCLASSA.
struct PlatformWindowClass {
    uint32_t style;
    PlatformWindowProc window_proc;
    int32_t class_extra;
    int32_t window_extra;
    PlatformHandle instance;
    PlatformHandle icon;
    PlatformHandle cursor;
    PlatformHandle background;
    const char* menu_name;
    const char* class_name;
};

// MSG (without the time and pointer position, which nothing reads).
struct PlatformMessage {
    PlatformHandle window;
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
};

struct PlatformWindowSystem {
    // RegisterClassA: the class atom, 0 on failure.
    uint16_t (*register_class)(const PlatformWindowClass* window_class);
    // CreateWindowExA.
    PlatformHandle (*create_window)(uint32_t ex_style, const char* class_name,
                                    const char* window_name, uint32_t style, int32_t x, int32_t y,
                                    int32_t width, int32_t height, PlatformHandle parent,
                                    PlatformHandle menu, PlatformHandle instance, void* param);
    // DestroyWindow; a null window is refused (0).
    int32_t (*destroy_window)(PlatformHandle window);
    // PeekMessageA: nonzero when a message was taken.
    int32_t (*peek_message)(PlatformMessage* message, PlatformHandle window, uint32_t filter_min,
                            uint32_t filter_max, uint32_t remove);
    int32_t (*translate_message)(const PlatformMessage* message);
    intptr_t (*dispatch_message)(const PlatformMessage* message);
    intptr_t (*default_window_proc)(PlatformHandle window, uint32_t message, uintptr_t wparam,
                                    intptr_t lparam);
    // SetCursor: the previous cursor; null hides the pointer.
    PlatformHandle (*set_cursor)(PlatformHandle cursor);
    // SystemParametersInfoA.
    int32_t (*system_parameters_info)(uint32_t action, uint32_t param, void* pv_param,
                                      uint32_t win_ini);
};

extern const PlatformWindowSystem* platform_window_system;
extern const PlatformWindowSystem* platform_fallback_window_system;
extern const PlatformWindowSystem platform_native_window_system;
