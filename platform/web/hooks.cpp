// The browser backend as the emulated display's hooks.
#include "platform/web/backend.h"

namespace {

const EmulatedDisplayHooks web_hooks = {
    .take_screen = web_take_screen,
    .release_screen = web_release_screen,
    .create_window = web_create_window,
    .destroy_window = web_destroy_window,
    .set_mode = web_set_mode,
    .restore_mode = web_restore_mode,
    .pixel_format = web_pixel_format,
    .present = web_present,
    .chain_released = web_chain_released,
    .next_message = web_next_message,
    .set_cursor = web_set_cursor,
    .screen_saver_enabled = web_screen_saver_enabled,
    .enable_screen_saver = web_enable_screen_saver,
};

}  // namespace

const EmulatedDisplayHooks* emulated_display_hooks = &web_hooks;
