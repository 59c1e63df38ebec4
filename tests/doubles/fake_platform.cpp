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
    fp.log.emplace_back(fp.in_fallback ? std::string("fallback ") + line : std::string(line));
}

// The script of the tables being called: the fallback tables have their own.
FakePlatformScript& script() { return fp.in_fallback ? fp.fallback_script : fp.script; }

// An operation of the fallback tables: the same operation, logged with
// "fallback " and scripted by fallback_script.
struct InFallback {
    InFallback() { fp.in_fallback = true; }
    ~InFallback() { fp.in_fallback = false; }
};
template <auto Operation>
struct Fallback;
template <typename R, typename... A, R (*Operation)(A...)>
struct Fallback<Operation> {
    static R call(A... args) {
        InFallback scope;
        return Operation(args...);
    }
};

constexpr int32_t kFail = -2005532542;  // an HRESULT with the top bit set

PlatformHandle load_library(const char* name) {
    note("load_library %s", name);
    return script().load_fails ? nullptr : &library_token;
}
PlatformHandle find_entry(PlatformHandle, const char* name) {
    note("find_entry %s", name);
    return script().entry_missing ? nullptr : &entry_token;
}
void free_library(PlatformHandle library) { note("free_library %s", library ? "set" : "null"); }
int32_t create(PlatformHandle, PlatformHandle* object) {
    note("create");
    if (script().create_fails) return kFail;
    *object = &object_token;
    return 0;
}
int32_t set_cooperative_level(PlatformHandle, PlatformHandle window, uint32_t flags) {
    note("set_cooperative_level %s 0x%x", window == &window_token ? "window" : "null", flags);
    if (flags == kDisplayExclusiveFullscreen && script().exclusive_refused) return kFail;
    return 0;
}
int32_t set_display_mode(PlatformHandle, int32_t width, int32_t height, int32_t bits) {
    note("set_display_mode %d %d %d", width, height, bits);
    for (int32_t d : script().depths) {
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
    for (uint32_t c : script().chains) {
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
    if (script().attach_fails || fp.chain == 0) return kFail;
    *attached = &back_token;
    return 0;
}
int32_t get_pixel_format(PlatformHandle, PlatformPixelFormat* format) {
    note("get_pixel_format");
    if (script().pixel_format_fails) return kFail;
    *format = script().format;
    return 0;
}
int32_t restore(PlatformHandle) {
    note("restore");
    return 0;
}
int32_t lock(PlatformHandle surface, uint32_t flags, PlatformLockedSurface* locked) {
    note("lock %s 0x%x", surface == &back_token ? "back" : "other", flags);
    if (script().lock_failures > 0) {
        --script().lock_failures;
        return kFail;
    }
    const int32_t bytes = static_cast<int32_t>(script().format.rgb_bit_count) / 8;
    fp.back_pitch = script().pitch != 0 ? script().pitch : fp.mode_width * bytes;
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
    if (script().messages.empty()) return 0;
    *message = script().messages.front();
    if (remove & kPeekRemove) script().messages.pop_front();
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
        if (script().screen_saver_unreadable) return 0;
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
    std::memcpy(state, script().key_state, 256);
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

const PlatformDisplay fake_fallback_display = {
    .load_library = Fallback<load_library>::call,
    .find_entry = Fallback<find_entry>::call,
    .free_library = Fallback<free_library>::call,
    .create = Fallback<create>::call,
    .set_cooperative_level = Fallback<set_cooperative_level>::call,
    .set_display_mode = Fallback<set_display_mode>::call,
    .restore_display_mode = Fallback<restore_display_mode>::call,
    .create_surface = Fallback<create_surface>::call,
    .release_object = Fallback<release_object>::call,
    .get_attached_surface = Fallback<get_attached_surface>::call,
    .get_pixel_format = Fallback<get_pixel_format>::call,
    .restore = Fallback<restore>::call,
    .lock = Fallback<lock>::call,
    .unlock = Fallback<unlock>::call,
    .flip = Fallback<flip>::call,
    .release_surface = Fallback<release_surface>::call,
};

const PlatformWindowSystem fake_fallback_window_system = {
    .register_class = Fallback<register_class>::call,
    .create_window = Fallback<create_window>::call,
    .destroy_window = Fallback<destroy_window>::call,
    .peek_message = Fallback<peek_message>::call,
    .translate_message = Fallback<translate_message>::call,
    .dispatch_message = Fallback<dispatch_message>::call,
    .default_window_proc = Fallback<default_window_proc>::call,
    .set_cursor = Fallback<set_cursor>::call,
    .system_parameters_info = Fallback<system_parameters_info>::call,
};

PlatformKeyboard fake_keyboard = {
    .get_keyboard_state = get_keyboard_state,
    .to_ascii = logged_to_ascii,
};

// The tables in use before fake_platform_install, put back by
// fake_platform_remove.
struct SavedTables {
    const PlatformDisplay* display;
    const PlatformWindowSystem* window_system;
    const PlatformKeyboard* keyboard;
    const PlatformDisplay* fallback_display;
    const PlatformWindowSystem* fallback_window_system;
};
SavedTables saved_tables{};
bool tables_saved = false;

void fake_platform_install() {
    fake_platform = FakePlatform{};
    fake_keyboard = {get_keyboard_state, logged_to_ascii};
    if (!tables_saved) {
        saved_tables = {platform_display, platform_window_system, platform_keyboard,
                        platform_fallback_display, platform_fallback_window_system};
        tables_saved = true;
    }
    platform_display = &fake_display;
    platform_window_system = &fake_window_system;
    platform_keyboard = &fake_keyboard;
    platform_fallback_display = nullptr;
    platform_fallback_window_system = nullptr;
}

void fake_platform_offer_fallback() {
    platform_fallback_display = &fake_fallback_display;
    platform_fallback_window_system = &fake_fallback_window_system;
}

void fake_platform_remove() {
    if (!tables_saved) return;
    platform_display = saved_tables.display;
    platform_window_system = saved_tables.window_system;
    platform_keyboard = saved_tables.keyboard;
    platform_fallback_display = saved_tables.fallback_display;
    platform_fallback_window_system = saved_tables.fallback_window_system;
    tables_saved = false;
}

int32_t fake_log_count(const std::string& prefix) {
    int32_t n = 0;
    for (const std::string& line : fp.log) {
        if (line.rfind(prefix, 0) == 0) ++n;
    }
    return n;
}

void fake_post(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    FakePlatformScript& in_use =
        platform_window_system == &fake_fallback_window_system ? fp.fallback_script : fp.script;
    in_use.messages.push_back({&window_token, message, wparam, lparam});
}
