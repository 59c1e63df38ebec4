// Window and message operations on USER32.
#include <windows.h>

#include "platform/window_system.h"

namespace {

// The window procedure of the registered class. Windows calls a stdcall
// procedure; ours forwards every message, sent or posted, to it. There is
// one window class per process.
PlatformWindowProc class_procedure = nullptr;

LRESULT CALLBACK forward_to_class_procedure(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
    if (class_procedure == nullptr) return DefWindowProcA(window, message, wparam, lparam);
    return class_procedure(window, message, wparam, lparam);
}

// The last message taken by peek_message, complete with its time and
// pointer position, for translating and dispatching it.
MSG last_message{};

MSG to_msg(const PlatformMessage* message) {
    MSG msg = last_message;
    if (msg.hwnd != static_cast<HWND>(message->window) || msg.message != message->message ||
        msg.wParam != message->wparam || msg.lParam != message->lparam) {
        msg = MSG{};
        msg.hwnd = static_cast<HWND>(message->window);
        msg.message = message->message;
        msg.wParam = message->wparam;
        msg.lParam = message->lparam;
    }
    return msg;
}

uint16_t register_class(const PlatformWindowClass* window_class) {
    class_procedure = window_class->window_proc;
    WNDCLASSA wc{};
    wc.style = window_class->style;
    wc.lpfnWndProc = forward_to_class_procedure;
    wc.cbClsExtra = window_class->class_extra;
    wc.cbWndExtra = window_class->window_extra;
    wc.hInstance = static_cast<HINSTANCE>(window_class->instance);
    wc.hIcon = static_cast<HICON>(window_class->icon);
    wc.hCursor = static_cast<HCURSOR>(window_class->cursor);
    wc.hbrBackground = static_cast<HBRUSH>(window_class->background);
    wc.lpszMenuName = window_class->menu_name;
    wc.lpszClassName = window_class->class_name;
    return RegisterClassA(&wc);
}

PlatformHandle create_window(uint32_t ex_style, const char* class_name, const char* window_name,
                             uint32_t style, int32_t x, int32_t y, int32_t width, int32_t height,
                             PlatformHandle parent, PlatformHandle menu, PlatformHandle instance,
                             void* param) {
    HWND window = CreateWindowExA(ex_style, class_name, window_name, style, x, y, width, height,
                                  static_cast<HWND>(parent), static_cast<HMENU>(menu),
                                  static_cast<HINSTANCE>(instance), param);
    // A window that was never shown gets no keyboard input on some systems
    // (Wine drops keys meant for it), and the demo's only way out is a key.
    // Shown without activation at 0 x 0 it covers nothing until the
    // full-screen mode sizes it.
    if (window != nullptr && (style & WS_VISIBLE) == 0) ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

int32_t destroy_window(PlatformHandle window) {
    return DestroyWindow(static_cast<HWND>(window)) ? 1 : 0;
}

int32_t peek_message(PlatformMessage* message, PlatformHandle window, uint32_t filter_min,
                     uint32_t filter_max, uint32_t remove) {
    MSG msg{};
    if (!PeekMessageA(&msg, static_cast<HWND>(window), filter_min, filter_max, remove)) return 0;
    last_message = msg;
    message->window = msg.hwnd;
    message->message = msg.message;
    message->wparam = msg.wParam;
    message->lparam = msg.lParam;
    return 1;
}

int32_t translate_message(const PlatformMessage* message) {
    MSG msg = to_msg(message);
    return TranslateMessage(&msg) ? 1 : 0;
}

intptr_t dispatch_message(const PlatformMessage* message) {
    MSG msg = to_msg(message);
    return DispatchMessageA(&msg);
}

intptr_t default_window_proc(PlatformHandle window, uint32_t message, uintptr_t wparam,
                             intptr_t lparam) {
    return DefWindowProcA(static_cast<HWND>(window), message, wparam, lparam);
}

PlatformHandle set_cursor(PlatformHandle cursor) {
    return SetCursor(static_cast<HCURSOR>(cursor));
}

int32_t system_parameters_info(uint32_t action, uint32_t param, void* pv_param,
                               uint32_t win_ini) {
    return SystemParametersInfoA(action, param, pv_param, win_ini) ? 1 : 0;
}

}  // namespace

const PlatformWindowSystem platform_native_window_system = {
    .register_class = register_class,
    .create_window = create_window,
    .destroy_window = destroy_window,
    .peek_message = peek_message,
    .translate_message = translate_message,
    .dispatch_message = dispatch_message,
    .default_window_proc = default_window_proc,
    .set_cursor = set_cursor,
    .system_parameters_info = system_parameters_info,
};
