// The demo's main procedure.
#include "effect/main_loop.h"

#include <new>

#include "effect/driver.h"
#include "effect/state.h"
#include "runtime/key_input.h"
#include "runtime/numbers.h"
#include "runtime/startup.h"
#include "runtime/strings.h"

namespace {

// The text a read of Escape gives: character 27 and its terminating zero.
constexpr char kEscapeText[2] = {27, 0};
constexpr int32_t kEscapeTextSize = 2;

// The state lives for the whole run in zero-filled static storage, one block
// per variant at namespace scope. A static object with its initial values (or
// any static inside a template, which some linkers keep as initialised data)
// would be stored in the program file: megabytes of zeros. effect_main sets
// the initial values once.
alignas(EffectState<variant320>) unsigned char state_storage_320[sizeof(EffectState<variant320>)];
alignas(EffectState<variant640>) unsigned char state_storage_640[sizeof(EffectState<variant640>)];

template <const Variant& V>
unsigned char* state_storage() {
    // The variants differ in width (their addresses are not compared: not
    // every build takes that as a constant).
    if constexpr (V.width == variant320.width) {
        return state_storage_320;
    } else {
        static_assert(V.width == variant640.width);
        return state_storage_640;
    }
}

}  // namespace

template <const Variant& V>
[[noreturn]] void effect_main(int32_t argc, char** argv, const Presenter& presenter) {
    EffectState<V>& state = *new (state_storage<V>()) EffectState<V>;

    rt_init(argc, argv);
    rt_run_ctors();
    if (presenter.open(kTitle, V.width, V.height) == 0) rt_end(-1);

    effect_setup<V>(state, rt_timer());
    animation_begin(state.anim, rt_timer());

    for (;;) {
        // The frame's time is read first, the ripple's own reading second.
        const double frame_clock = rt_timer();
        const double amp_clock = rt_timer();
        animation_step(state.anim, frame_clock, amp_clock);
        render_frame<V>(state);
        presenter.update(state.work_frame);
        if (rt_str_compare(rt_inkey(), -1, kEscapeText, kEscapeTextSize) == 0) break;
    }

    presenter.close();
    rt_end(0);
}

template void effect_main<variant320>(int32_t, char**, const Presenter&);
template void effect_main<variant640>(int32_t, char**, const Presenter&);
