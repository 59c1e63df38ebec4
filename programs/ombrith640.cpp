// The demo at 640 x 480.
#include "effect/main_loop.h"
#include "pixelwindow/window.h"

int main(int argc, char** argv) {
    effect_main<variant640>(argc, argv, Presenter{window_open, window_update, window_close});
}
