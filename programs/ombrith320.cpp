// The demo at 320 x 240.
#include "effect/main_loop.h"
#include "pixelwindow/window.h"

int main(int argc, char** argv) {
    effect_main<variant320>(argc, argv, Presenter{window_open, window_update, window_close});
}
