// The SDL backend as the emulated display's hooks, and its shared state.
#include "platform/sdl/backend.h"

bool sdl_video_up = false;
SDL_Window* sdl_window = nullptr;
volatile sig_atomic_t sdl_hangup_pending = 0;

namespace {

const EmulatedDisplayHooks sdl_hooks = {
    .take_screen = sdl_take_screen,
    .release_screen = sdl_release_screen,
    .create_window = sdl_create_window,
    .destroy_window = sdl_destroy_window,
    .set_mode = sdl_set_mode,
    .restore_mode = sdl_restore_mode,
    .pixel_format = sdl_pixel_format,
    .present = sdl_present,
    .chain_released = sdl_chain_released,
    .next_message = sdl_next_message,
    .set_cursor = sdl_set_cursor,
    .screen_saver_enabled = sdl_screen_saver_enabled,
    .enable_screen_saver = sdl_enable_screen_saver,
};

}  // namespace

const EmulatedDisplayHooks* emulated_display_hooks = &sdl_hooks;
