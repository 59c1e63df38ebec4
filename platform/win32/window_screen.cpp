// The second way to show a frame on Windows, as hooks of the emulated
// display: where DirectDraw is missing or refuses the mode (today's drivers
// list nothing below 640x480), a borderless window covers the whole monitor
// and a flip draws the back buffer onto it with GDI, scaled by the largest
// whole factor that fits, centred on black. The window's messages reach the
// emulated display's queue with their Windows numbers and parameters; the
// key state stays USER32's.
#include <windows.h>

#include "platform/emulated_display.h"
#include "platform/win32/frame_timer.h"

namespace {

constexpr char kClassName[] = "Ombrith by Talvane (window)";

HWND screen_window = nullptr;
// Where the frame goes on the window: its size, the whole factor and the
// top-left corner; the window's own size.
int32_t frame_width = 0;
int32_t frame_height = 0;
int32_t frame_scale = 0;
int32_t frame_left = 0;
int32_t frame_top = 0;
int32_t window_width = 0;
int32_t window_height = 0;
FrameTimer present_timer;

// The pointer shown over the window: none until the window procedure says.
HCURSOR shown_cursor = nullptr;

// Messages of the window for the emulated display, oldest first. Sent ones
// (activation, the pointer, closing) arrive here while a message is being
// taken; a small ring is plenty, and when it is full the oldest is dropped.
constexpr int kQueueSize = 32;
PlatformMessage queue[kQueueSize];
int queue_read = 0;
int queue_count = 0;

void queue_put(uint32_t message, WPARAM wparam, LPARAM lparam) {
    if (queue_count == kQueueSize) {
        queue_read = (queue_read + 1) % kQueueSize;
        --queue_count;
    }
    queue[(queue_read + queue_count) % kQueueSize] = {screen_window, message, wparam, lparam};
    ++queue_count;
}

LRESULT CALLBACK screen_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        // Activation, keys and closing (Alt+F4, the system's close; the
        // window stays until the display is given back) are the demo's.
        case WM_ACTIVATEAPP:
        case WM_KEYDOWN:
        case WM_CLOSE: queue_put(message, wparam, lparam); return 0;
        case WM_SETCURSOR:
            if (LOWORD(lparam) != HTCLIENT) break;
            SetCursor(shown_cursor);
            queue_put(message, wparam, lparam);
            return TRUE;
        default: break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// --- the screen ---

bool take_screen() { return true; }

void release_screen() {}

bool set_mode(PlatformHandle window, int32_t width, int32_t height, int32_t bits_per_pixel) {
    // The back buffer is a 32-bit bitmap, whatever the monitor's own depth.
    if (bits_per_pixel != 32 || window != screen_window) return false;
    // The monitor the program starts on, in physical pixels (the programs
    // declare themselves aware of each monitor's scale).
    HMONITOR monitor = MonitorFromWindow(screen_window, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (monitor == nullptr || !GetMonitorInfoA(monitor, &info)) return false;
    const int32_t w = info.rcMonitor.right - info.rcMonitor.left;
    const int32_t h = info.rcMonitor.bottom - info.rcMonitor.top;
    const int32_t scale = w / width < h / height ? w / width : h / height;
    if (scale < 1) return false;
    if (!SetWindowPos(screen_window, HWND_TOP, info.rcMonitor.left, info.rcMonitor.top, w, h,
                      SWP_SHOWWINDOW | SWP_FRAMECHANGED))
        return false;
    SetForegroundWindow(screen_window);
    SetFocus(screen_window);
    frame_width = width;
    frame_height = height;
    frame_scale = scale;
    frame_left = (w - width * scale) / 2;
    frame_top = (h - height * scale) / 2;
    window_width = w;
    window_height = h;
    return true;
}

void restore_mode(PlatformHandle) { ShowWindow(screen_window, SW_HIDE); }

bool pixel_format(PlatformPixelFormat* format) {
    *format = {kPixelFormatRgb, 32, 0xFF0000, 0x00FF00, 0x0000FF};
    return true;
}

bool present(uint8_t* pixels, int32_t pitch) {
    if (screen_window == nullptr || frame_scale < 1 || pitch != frame_width * 4) return false;
    frame_timer_wait(present_timer);
    HDC dc = GetDC(screen_window);
    if (dc == nullptr) return false;
    const int32_t w = frame_width * frame_scale;
    const int32_t h = frame_height * frame_scale;
    const int32_t right = frame_left + w;
    const int32_t bottom = frame_top + h;
    // The borders: above, below, left and right of the frame.
    PatBlt(dc, 0, 0, window_width, frame_top, BLACKNESS);
    PatBlt(dc, 0, bottom, window_width, window_height - bottom, BLACKNESS);
    PatBlt(dc, 0, frame_top, frame_left, h, BLACKNESS);
    PatBlt(dc, right, frame_top, window_width - right, h, BLACKNESS);

    BITMAPINFO bitmap{};
    bitmap.bmiHeader.biSize = sizeof bitmap.bmiHeader;
    bitmap.bmiHeader.biWidth = frame_width;
    bitmap.bmiHeader.biHeight = -frame_height;  // top row first
    bitmap.bmiHeader.biPlanes = 1;
    bitmap.bmiHeader.biBitCount = 32;
    bitmap.bmiHeader.biCompression = BI_RGB;
    // Whole pixels repeated, never blended.
    SetStretchBltMode(dc, COLORONCOLOR);
    const int lines = StretchDIBits(dc, frame_left, frame_top, w, h, 0, 0, frame_width,
                                    frame_height, pixels, &bitmap, DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(screen_window, dc);
    if (lines == 0) return false;
    frame_timer_presented(present_timer);
    return true;
}

void chain_released() { frame_timer_stop(present_timer); }

const EmulatedDisplayHooks display_hooks = {
    .take_screen = take_screen,
    .release_screen = release_screen,
    .set_mode = set_mode,
    .restore_mode = restore_mode,
    .pixel_format = pixel_format,
    .present = present,
    .chain_released = chain_released,
};

// --- the window ---

PlatformHandle create_window(const char* title, int32_t x, int32_t y, int32_t width,
                             int32_t height) {
    if (screen_window != nullptr) return nullptr;
    WNDCLASSA wc{};
    wc.lpfnWndProc = screen_window_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;
    if (RegisterClassA(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    // Hidden until the mode puts it over the monitor.
    screen_window = CreateWindowExA(0, kClassName, title, WS_POPUP, x, y, width, height, nullptr,
                                    nullptr, wc.hInstance, nullptr);
    queue_read = queue_count = 0;
    return screen_window;
}

void destroy_window(PlatformHandle) {
    DestroyWindow(screen_window);
    screen_window = nullptr;
    frame_scale = 0;
}

bool next_message(PlatformMessage* message, bool remove) {
    MSG msg;
    while (queue_count == 0 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (queue_count == 0) return false;
    *message = queue[queue_read];
    if (remove) {
        queue_read = (queue_read + 1) % kQueueSize;
        --queue_count;
    }
    return true;
}

PlatformHandle set_cursor(PlatformHandle cursor) {
    HCURSOR previous = shown_cursor;
    shown_cursor = static_cast<HCURSOR>(cursor);
    SetCursor(shown_cursor);
    return previous;
}

bool screen_saver_enabled() {
    BOOL active = TRUE;
    if (!SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0)) return true;
    return active != FALSE;
}

void enable_screen_saver(bool enabled) {
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, enabled ? 1 : 0, nullptr, 0);
    // Today's systems also blank the display by power settings; while the
    // frame is shown the display stays on.
    SetThreadExecutionState(enabled ? ES_CONTINUOUS : ES_CONTINUOUS | ES_DISPLAY_REQUIRED);
}

const EmulatedWindowHooks window_hooks = {
    .create_window = create_window,
    .destroy_window = destroy_window,
    .next_message = next_message,
    .set_cursor = set_cursor,
    .screen_saver_enabled = screen_saver_enabled,
    .enable_screen_saver = enable_screen_saver,
};

}  // namespace

const EmulatedDisplayHooks* emulated_display_hooks = &display_hooks;
const EmulatedWindowHooks* emulated_window_hooks = &window_hooks;
