// How the demo ends other than by Escape or closing its window: a signal, a
// display that does not answer while it is being opened, a display that goes
// away while the demo runs.
//
// SIGINT, SIGTERM and SIGHUP end it like closing the window: the handler
// only notes the signal, the message pump posts the quit event, and the demo
// gives the display back and exits 0. In case the main thread is stuck in a
// display that no longer answers, the handler also sets an alarm that ends
// the process a second later with the same status, after giving the
// terminal back (async-signal-safe calls only). The same alarm bounds the
// opening of the display: one that has not answered after 10 s counts as no
// display (255). A display that goes away ends the demo at once with 255,
// without the message Xlib would print.
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/terminal.h"
#include "platform/sdl/backend.h"

namespace {

constexpr int kQuitSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr unsigned kOpenLimitSeconds = 10;
constexpr unsigned kGraceSeconds = 1;
constexpr int kStatusEnded = 0;
constexpr int kStatusNoDisplay = 255;

// What the alarm ends the process with; set before it is armed.
volatile sig_atomic_t alarm_status = kStatusNoDisplay;
volatile sig_atomic_t quitting = 0;

struct sigaction actions_before[NSIG];
bool caught[NSIG];

[[noreturn]] void end_now(int status) {
    terminal_give_back();
    _exit(status);
}

void on_quit_signal(int) {
    const int saved_errno = errno;
    sdl_quit_pending = 1;
    if (!quitting) {
        quitting = 1;
        alarm_status = kStatusEnded;
        alarm(kGraceSeconds);
    }
    errno = saved_errno;
}

void on_alarm(int) { end_now(alarm_status); }

// Xlib's handler of a lost connection: it must not return.
int on_display_lost(void*) { end_now(kStatusNoDisplay); }

using IoErrorHandler = int (*)(void*);
using SetIoErrorHandler = IoErrorHandler (*)(IoErrorHandler);
SetIoErrorHandler set_io_error_handler = nullptr;
IoErrorHandler io_error_handler_before = nullptr;

// A signal that the process was told to ignore (nohup, a background job of a
// shell without job control) stays ignored.
void catch_signal(int signal_number, void (*handler)(int)) {
    struct sigaction action {};
    if (sigaction(signal_number, nullptr, &actions_before[signal_number]) != 0) return;
    if (actions_before[signal_number].sa_handler == SIG_IGN) return;
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int s : kQuitSignals) sigaddset(&action.sa_mask, s);
    caught[signal_number] = sigaction(signal_number, &action, nullptr) == 0;
}

void set_quit_signals_blocked(bool blocked) {
    sigset_t set;
    sigemptyset(&set);
    for (int s : kQuitSignals) sigaddset(&set, s);
    sigprocmask(blocked ? SIG_BLOCK : SIG_UNBLOCK, &set, nullptr);
}

}  // namespace

volatile sig_atomic_t sdl_quit_pending = 0;

void sdl_ending_take() {
    quitting = 0;
    sdl_quit_pending = 0;
    alarm_status = kStatusNoDisplay;
    for (int s : kQuitSignals) catch_signal(s, on_quit_signal);
    catch_signal(SIGALRM, on_alarm);
    alarm(kOpenLimitSeconds);
}

void sdl_ending_open_failed() {
    // A quit signal can cut the opening short (a read interrupted); the
    // process ends as that signal would have ended it once open.
    if (quitting) end_now(kStatusEnded);
    sdl_ending_release();
}

void sdl_ending_display_answered() {
    set_quit_signals_blocked(true);
    if (!quitting) alarm(0);
    set_quit_signals_blocked(false);
}

void sdl_ending_watch_x11() {
    // SDL loads Xlib itself; its handler is set on the library already there.
    void* xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
    if (xlib == nullptr) return;
    set_io_error_handler = reinterpret_cast<SetIoErrorHandler>(dlsym(xlib, "XSetIOErrorHandler"));
    if (set_io_error_handler != nullptr) {
        io_error_handler_before = set_io_error_handler(on_display_lost);
    }
    dlclose(xlib);
}

void sdl_ending_release() {
    if (set_io_error_handler != nullptr) set_io_error_handler(io_error_handler_before);
    set_io_error_handler = nullptr;
    alarm(0);
    for (int s = 0; s < NSIG; ++s) {
        if (caught[s]) sigaction(s, &actions_before[s], nullptr);
        caught[s] = false;
    }
}
