#include "tests/doubles/fake_platform.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/us_layout.h"

FakePlatform fake_platform;

namespace {

FakePlatform& fp = fake_platform;

char library_token, entry_token, object_token, window_token, primary_token, back_token;

void note(const char* format, ...) __attribute__((format(printf, 1, 2)));
void note(const char* format, ...) {
    char line[160];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    fp.log.emplace_back(line);
}

constexpr int32_t kFail = -2005532542;  // an HRESULT with the top bit set

PlatformHandle load_library(const char* name) {
    note("load_library %s", name);
    return fp.script.load_fails ? nullptr : &library_token;
}
PlatformHandle find_entry(PlatformHandle, const char* name) {
    note("find_entry %s", name);
    return fp.script.entry_missing ? nullptr : &entry_token;
}
void free_library(PlatformHandle library) { note("free_library %s", library ? "set" : "null"); }
int32_t create(PlatformHandle, PlatformHandle* object) {
    note("create");
    if (fp.script.create_fails) return kFail;
    *object = &object_token;
    return 0;
}
int32_t set_cooperative_level(PlatformHandle, PlatformHandle window, uint32_t flags) {
    note("set_cooperative_level %s 0x%x", window == &window_token ? "window" : "null", flags);
    if (flags == kDisplayExclusiveFullscreen && fp.script.exclusive_refused) return kFail;
    return 0;
}
int32_t set_display_mode(PlatformHandle, int32_t width, int32_t height, int32_t bits) {
    note("set_display_mode %d %d %d", width, height, bits);
    for (int32_t d : fp.script.depths) {
        if (d == bits) {
            fp.mode_width = width;
            fp.mode_height = height;
            fp.mode_bits = bits;
            return 0;
        }
    }
    return kFail;
}
int32_t restore_display_mode(PlatformHandle) {
    note("restore_display_mode");
    return 0;
}
int32_t create_surface(PlatformHandle, const PlatformSurfaceDescription* d, PlatformHandle* surface) {
    note("create_surface flags=0x%x count=%u caps=0x%x", d->flags, d->back_buffer_count, d->caps);
    const uint32_t chain = (d->flags & kSurfaceDescBackBufferCount) ? d->back_buffer_count : 0;
    for (uint32_t c : fp.script.chains) {
        if (c == chain) {
            fp.chain = chain;
            *surface = &primary_token;
            return 0;
        }
    }
    return kFail;
}
uint32_t release_object(PlatformHandle) {
    note("release_object");
    return 0;
}
int32_t get_attached_surface(PlatformHandle, uint32_t caps, PlatformHandle* attached) {
    note("get_attached_surface 0x%x", caps);
    // A lone primary surface has no back buffer.
    if (fp.script.attach_fails || fp.chain == 0) return kFail;
    *attached = &back_token;
    return 0;
}
int32_t get_pixel_format(PlatformHandle, PlatformPixelFormat* format) {
    note("get_pixel_format");
    if (fp.script.pixel_format_fails) return kFail;
    *format = fp.script.format;
    return 0;
}
int32_t restore(PlatformHandle) {
    note("restore");
    return 0;
}
int32_t lock(PlatformHandle surface, uint32_t flags, PlatformLockedSurface* locked) {
    note("lock %s 0x%x", surface == &back_token ? "back" : "other", flags);
    if (fp.script.lock_failures > 0) {
        --fp.script.lock_failures;
        return kFail;
    }
    const int32_t bytes = static_cast<int32_t>(fp.script.format.rgb_bit_count) / 8;
    fp.back_pitch = fp.script.pitch != 0 ? fp.script.pitch : fp.mode_width * bytes;
    const size_t size = static_cast<size_t>(fp.back_pitch) * static_cast<size_t>(fp.mode_height + 1);
    if (fp.back_memory.size() != size) fp.back_memory.assign(size, 0xEE);
    locked->address = fp.back_memory.data();
    locked->pitch = fp.back_pitch;
    return 0;
}
int32_t unlock(PlatformHandle, void* address) {
    note("unlock %s", address == fp.back_memory.data() ? "locked" : "other");
    return 0;
}
int32_t flip(PlatformHandle surface, uint32_t flags) {
    note("flip %s 0x%x", surface == &primary_token ? "primary" : "other", flags);
    return 0;
}
uint32_t release_surface(PlatformHandle surface) {
    note("release_surface %s", surface == &primary_token ? "primary" : "other");
    return 0;
}

uint16_t register_class(const PlatformWindowClass* c) {
    note("register_class %s style=%u", c->class_name, c->style);
    fp.window_proc = c->window_proc;
    return 1;
}
PlatformHandle create_window(uint32_t ex_style, const char* class_name, const char* window_name,
                             uint32_t style, int32_t x, int32_t y, int32_t w, int32_t h,
                             PlatformHandle parent, PlatformHandle menu, PlatformHandle instance,
                             void* param) {
    note("create_window %u %s %s 0x%x %d %d %d %d %d", ex_style, class_name, window_name, style, x,
         y, w, h, parent || menu || instance || param ? 1 : 0);
    return &window_token;
}
int32_t destroy_window(PlatformHandle window) {
    note("destroy_window %s", window == &window_token ? "window" : window ? "other" : "null");
    return window ? 1 : 0;
}
int32_t peek_message(PlatformMessage* message, PlatformHandle, uint32_t, uint32_t, uint32_t remove) {
    if (fp.script.messages.empty()) return 0;
    *message = fp.script.messages.front();
    if (remove & kPeekRemove) fp.script.messages.pop_front();
    return 1;
}
int32_t translate_message(const PlatformMessage*) { return 0; }
intptr_t dispatch_message(const PlatformMessage* m) {
    note("dispatch 0x%x", m->message);
    return fp.window_proc ? fp.window_proc(m->window, m->message, m->wparam, m->lparam) : 0;
}
intptr_t default_window_proc(PlatformHandle, uint32_t message, uintptr_t, intptr_t) {
    note("default_window_proc 0x%x", message);
    return 0;
}
PlatformHandle set_cursor(PlatformHandle cursor) {
    note("set_cursor %s", cursor ? "set" : "null");
    fp.cursor_hidden = cursor == nullptr;
    return nullptr;
}
int32_t system_parameters_info(uint32_t action, uint32_t param, void* pv, uint32_t ini) {
    note("system_parameters_info %u %u %s %u", action, param, pv ? "ptr" : "null", ini);
    if (action == kSpiGetScreenSaveActive) {
        if (fp.script.screen_saver_unreadable) return 0;
        *static_cast<int32_t*>(pv) = fp.screen_saver_active;
        return 1;
    }
    if (action == kSpiSetScreenSaveActive) {
        fp.screen_saver_active = static_cast<int32_t>(param);
        return 1;
    }
    return 0;
}

int32_t get_keyboard_state(uint8_t state[256]) {
    note("get_keyboard_state");
    std::memcpy(state, fp.script.key_state, 256);
    return 1;
}
int32_t logged_to_ascii(uint32_t key, uint32_t scan, const uint8_t state[256], uint16_t* result,
                        uint32_t flags) {
    fp.to_ascii_key = key;
    fp.to_ascii_scan = scan;
    return us_layout_to_ascii(key, scan, state, result, flags);
}

}  // namespace

const PlatformDisplay fake_display = {
    .load_library = load_library,
    .find_entry = find_entry,
    .free_library = free_library,
    .create = create,
    .set_cooperative_level = set_cooperative_level,
    .set_display_mode = set_display_mode,
    .restore_display_mode = restore_display_mode,
    .create_surface = create_surface,
    .release_object = release_object,
    .get_attached_surface = get_attached_surface,
    .get_pixel_format = get_pixel_format,
    .restore = restore,
    .lock = lock,
    .unlock = unlock,
    .flip = flip,
    .release_surface = release_surface,
};

const PlatformWindowSystem fake_window_system = {
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

PlatformKeyboard fake_keyboard = {
    .get_keyboard_state = get_keyboard_state,
    .to_ascii = logged_to_ascii,
};

void fake_platform_install() {
    fake_platform = FakePlatform{};
    fake_keyboard = {get_keyboard_state, logged_to_ascii};
    platform_display = &fake_display;
    platform_window_system = &fake_window_system;
    platform_keyboard = &fake_keyboard;
}

void fake_platform_remove() {
    platform_display = &platform_native_display;
    platform_window_system = &platform_native_window_system;
    platform_keyboard = &platform_native_keyboard;
}

int32_t fake_log_count(const std::string& prefix) {
    int32_t n = 0;
    for (const std::string& line : fp.log) {
        if (line.rfind(prefix, 0) == 0) ++n;
    }
    return n;
}

void fake_post(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    fp.script.messages.push_back({&window_token, message, wparam, lparam});
}
