// Console backend for POSIX systems: the terminal of standard input.
//
// While the runtime reads it the terminal is in non-canonical mode without
// echo; its bytes are decoded into key records. The settings the terminal had
// before the first change (of its mode or for reading) come back at exit, and
// before the process ends or stops on a signal, and the program's are taken
// again when it continues. SIGHUP arrives as the close event, and
// so does the terminal vanishing (EIO or end of input) when SIGHUP is
// ignored; SIGTERM arrives as the shutdown event.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/console.h"
#include "platform/posix/terminal.h"
#include "platform/posix/terminal_keys.h"
#include "platform/us_layout.h"

namespace {

constexpr size_t kByteBufferSize = 256;
constexpr size_t kRecordSlots = 16;
// How long a lone ESC waits for the rest of an escape sequence.
constexpr int64_t kEscapeWaitMs = 25;

struct TerminalInput {
    int fd;
    // Bytes read but not decoded yet.
    uint8_t bytes[kByteBufferSize];
    size_t byte_count;
    // When the front bytes were first seen to be an incomplete sequence.
    int64_t incomplete_since;
    bool incomplete;
    // Decoded records, oldest at `first`.
    ConsoleInputRecord records[kRecordSlots];
    size_t first;
    size_t record_count;
    // The terminal has gone (EIO or end of input): nothing more is read.
    bool gone;
};

TerminalInput standard_input{STDIN_FILENO, {}, 0, 0, false, {}, 0, 0, false};

std::atomic<ConsoleCtrlHandler> ctrl_handler{nullptr};

// The terminal's settings from before the first change, and the ones the
// program wants while it has the terminal. `taken`: the terminal has the
// program's settings now; `raw`: they are non-canonical mode for reading.
termios original_attributes;
termios wanted_attributes;
int terminal_fd = -1;
volatile sig_atomic_t taken = 0;
bool raw = false;

// Signals after which the terminal is given back before the process ends or
// stops: the control events, and every other signal whose default action
// ends the process (the keyboard's own, the crashes, a closed pipe, timers,
// limits, the user's and the real-time signals).
constexpr int kControlSignals[] = {SIGHUP, SIGTERM};
constexpr int kEndingSignals[] = {
    SIGINT,  SIGQUIT, SIGSEGV, SIGBUS,    SIGFPE,  SIGILL,  SIGABRT, SIGPIPE, SIGALRM,
    SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,  SIGTRAP,
#if defined(__linux__)
    SIGIO,   SIGPWR,
#endif
#if defined(SIGSTKFLT)
    SIGSTKFLT,
#endif
};
struct sigaction previous_actions[NSIG];
bool handled[NSIG];

void restore_terminal() {
    if (taken) {
        tcsetattr(terminal_fd, TCSANOW, &original_attributes);
        taken = 0;
    }
}

// Puts the program's settings on the terminal again.
void retake_terminal() {
    if (tcsetattr(terminal_fd, TCSANOW, &wanted_attributes) == 0) taken = 1;
}

void restore_at_exit() { restore_terminal(); }

// Gives the terminal back and lets the signal take its previous course.
void end_with(int signal_number) {
    restore_terminal();
    sigaction(signal_number, &previous_actions[signal_number], nullptr);
    handled[signal_number] = false;
    raise(signal_number);
}

void on_control_signal(int signal_number) {
    const int saved_errno = errno;
    const uint32_t event = signal_number == SIGHUP ? kCtrlCloseEvent : kCtrlShutdownEvent;
    ConsoleCtrlHandler handler = ctrl_handler.load();
    if (handler == nullptr || !handler(event)) end_with(signal_number);
    errno = saved_errno;
}

void on_ending_signal(int signal_number) {
    const int saved_errno = errno;
    end_with(signal_number);
    errno = saved_errno;
}

void on_stop_signal(int) {
    const int saved_errno = errno;
    const bool was_taken = taken;
    restore_terminal();
    signal(SIGTSTP, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    raise(SIGTSTP);
    // Continued: take the terminal again.
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTSTP, &action, nullptr);
    if (was_taken) retake_terminal();
    errno = saved_errno;
}

// Continued after a stop from outside (SIGSTOP, which cannot be caught): the
// shell has put its own settings back, so the program's are applied again.
// In the background they are left to the pump, which takes the terminal
// when the job is in front again.
void on_continue(int) {
    const int saved_errno = errno;
    if (taken) {
        const pid_t foreground = tcgetpgrp(terminal_fd);
        if (foreground != -1 && foreground != getpgrp()) {
            taken = 0;
        } else {
            retake_terminal();
        }
    }
    errno = saved_errno;
}

// Installs `handler` for a signal unless the process was told to ignore it.
void catch_signal(int signal_number, void (*handler)(int)) {
    if (handled[signal_number]) return;
    struct sigaction previous {};
    sigaction(signal_number, nullptr, &previous);
    if (previous.sa_handler == SIG_IGN) return;
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int s : kControlSignals) sigaddset(&action.sa_mask, s);
    if (sigaction(signal_number, &action, &previous_actions[signal_number]) == 0) {
        handled[signal_number] = true;
    }
}

void catch_control_signals() {
    for (int s : kControlSignals) catch_signal(s, on_control_signal);
}

// A process in a background job of its controlling terminal is stopped by
// the system when it changes the terminal's settings or reads from it.
bool in_background(int fd) {
    const pid_t foreground = tcgetpgrp(fd);
    return foreground != -1 && foreground != getpgrp();
}

// Before the first change of the terminal: its settings are kept, and put
// back at exit and on every signal that ends or stops the process.
bool keep_original(int fd) {
    if (terminal_fd >= 0) return true;
    if (tcgetattr(fd, &original_attributes) != 0) return false;
    wanted_attributes = original_attributes;
    terminal_fd = fd;
    std::atexit(restore_at_exit);
    catch_control_signals();
    for (int s : kEndingSignals) catch_signal(s, on_ending_signal);
#if defined(SIGRTMIN) && defined(SIGRTMAX)
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) catch_signal(s, on_ending_signal);
#endif
    catch_signal(SIGTSTP, on_stop_signal);
    catch_signal(SIGCONT, on_continue);
    return true;
}

// Non-canonical mode without echo; reads return at once. Signal keys stay
// with the system.
bool enter_raw_mode(TerminalInput* input) {
    if (raw && taken) return true;
    if (!keep_original(input->fd)) return false;
    if (!raw) {
        if (tcgetattr(input->fd, &wanted_attributes) != 0) return false;
        wanted_attributes.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | IEXTEN);
        wanted_attributes.c_iflag &= ~static_cast<tcflag_t>(ICRNL | INLCR | IGNCR | IXON | ISTRIP);
        wanted_attributes.c_cc[VMIN] = 0;
        wanted_attributes.c_cc[VTIME] = 0;
        raw = true;
    }
    retake_terminal();
    return taken != 0;
}

int64_t now_ms() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void push_record(TerminalInput* input, const TerminalKey& key, bool down) {
    ConsoleInputRecord& r = input->records[(input->first + input->record_count) % kRecordSlots];
    r = ConsoleInputRecord{};
    r.event_type = kConsoleKeyEvent;
    r.key = {down ? 1 : 0, 1, key.virtual_key, key.scan_code, key.character, key.control_state};
    ++input->record_count;
}

// The terminal has gone: the close event, as SIGHUP gives it. Without a
// handler that takes it, the process ends as on SIGHUP, unless it ignores
// that signal.
void terminal_gone(TerminalInput* input) {
    if (input->gone) return;
    input->gone = true;
    restore_terminal();
    ConsoleCtrlHandler handler = ctrl_handler.load();
    if ((handler == nullptr || !handler(kCtrlCloseEvent)) && handled[SIGHUP]) end_with(SIGHUP);
}

// Reads what the terminal has and decodes it into records, never waiting:
// the read follows a poll that found input, so a terminal left in canonical
// mode by someone else cannot block it.
void fill_records(TerminalInput* input) {
    if (input->byte_count < kByteBufferSize && !input->gone) {
        pollfd ready{input->fd, POLLIN, 0};
        if (poll(&ready, 1, 0) > 0) {
            if (ready.revents & POLLIN) {
                const ssize_t n = read(input->fd, input->bytes + input->byte_count,
                                       kByteBufferSize - input->byte_count);
                if (n > 0) {
                    input->byte_count += static_cast<size_t>(n);
                    input->incomplete = false;
                } else if (n == 0 || errno == EIO) {
                    terminal_gone(input);
                }
            } else if (ready.revents & (POLLHUP | POLLERR | POLLNVAL)) {
                terminal_gone(input);
            }
        }
    }
    size_t taken = 0;
    while (taken < input->byte_count && input->record_count + 2 <= kRecordSlots) {
        const bool waited_enough = input->incomplete && now_ms() - input->incomplete_since >= kEscapeWaitMs;
        TerminalKey key{};
        bool has_key = false;
        const size_t n = terminal_decode_key(input->bytes + taken, input->byte_count - taken,
                                             !waited_enough, &key, &has_key);
        if (n == 0) {
            if (!input->incomplete) {
                input->incomplete = true;
                input->incomplete_since = now_ms();
            }
            break;
        }
        input->incomplete = false;
        taken += n;
        if (has_key) {
            push_record(input, key, true);
            push_record(input, key, false);
        }
    }
    if (taken > 0) {
        std::memmove(input->bytes, input->bytes + taken, input->byte_count - taken);
        input->byte_count -= taken;
    }
}

TerminalInput* terminal_of(void* handle) { return static_cast<TerminalInput*>(handle); }

void* std_input_handle() { return &standard_input; }

// The console mode bits as a terminal has them: processed input is signal
// generation, line input canonical mode, echo input echo.
int get_mode(void* handle, uint32_t* mode) {
    if (handle == nullptr) return 0;
    termios attributes;
    if (tcgetattr(terminal_of(handle)->fd, &attributes) != 0) return 0;
    uint32_t bits = 0;
    if (attributes.c_lflag & ISIG) bits |= kEnableProcessedInput;
    if (attributes.c_lflag & ICANON) bits |= kEnableLineInput;
    if (attributes.c_lflag & ECHO) bits |= kEnableEchoInput;
    *mode = bits;
    return 1;
}

int set_mode(void* handle, uint32_t mode) {
    if (handle == nullptr) return 0;
    const int fd = terminal_of(handle)->fd;
    termios attributes;
    if (tcgetattr(fd, &attributes) != 0) return 0;
    auto apply = [&](uint32_t bit, tcflag_t flag) {
        if (mode & bit) {
            attributes.c_lflag |= flag;
        } else {
            attributes.c_lflag &= ~flag;
        }
    };
    const tcflag_t before = attributes.c_lflag;
    apply(kEnableProcessedInput, ISIG);
    apply(kEnableLineInput, ICANON);
    apply(kEnableEchoInput, ECHO);
    if (attributes.c_lflag == before) return 1;
    if (in_background(fd) || !keep_original(fd)) return 0;
    if (tcsetattr(fd, TCSANOW, &attributes) != 0) return 0;
    wanted_attributes = attributes;
    taken = 1;
    return 1;
}

// Ready to hand out records: a terminal, in non-canonical mode.
TerminalInput* ready_input(void* handle) {
    if (handle == nullptr) return nullptr;
    TerminalInput* input = terminal_of(handle);
    if (!isatty(input->fd)) {
        // A terminal that has hung up answers EIO; anything else is no terminal.
        if (errno == EIO) terminal_gone(input);
        return nullptr;
    }
    if (in_background(input->fd) || !enter_raw_mode(input)) return nullptr;
    return input;
}

uint32_t copy_records(TerminalInput* input, ConsoleInputRecord* records, uint32_t length) {
    uint32_t n = 0;
    while (n < length && n < input->record_count) {
        records[n] = input->records[(input->first + n) % kRecordSlots];
        ++n;
    }
    return n;
}

int peek_input(void* handle, ConsoleInputRecord* records, uint32_t length, uint32_t* count) {
    TerminalInput* input = ready_input(handle);
    if (input == nullptr) return 0;
    if (input->record_count == 0) fill_records(input);
    *count = copy_records(input, records, length);
    return 1;
}

int read_input(void* handle, ConsoleInputRecord* records, uint32_t length, uint32_t* count) {
    TerminalInput* input = ready_input(handle);
    if (input == nullptr) return 0;
    if (input->record_count == 0) fill_records(input);
    const uint32_t n = copy_records(input, records, length);
    input->first = (input->first + n) % kRecordSlots;
    input->record_count -= n;
    *count = n;
    return 1;
}

// SIGHUP and SIGTERM reach the handler; without one they end the process as
// before, giving the terminal back first.
int set_ctrl_handler(ConsoleCtrlHandler handler, int add) {
    if (add) {
        ctrl_handler.store(handler);
        catch_control_signals();
    } else {
        ConsoleCtrlHandler expected = handler;
        ctrl_handler.compare_exchange_strong(expected, nullptr);
    }
    return 1;
}

// Unshifted characters of the virtual keys on a US keyboard.
uint32_t map_virtual_key(uint32_t vk, uint32_t map_type) {
    if (map_type != 2) return 0;
    const LayoutKey* key = us_layout_key(vk);
    if (key == nullptr) return 0;
    // Letters come back in upper case, as the keys are labelled.
    if (vk >= 'A' && vk <= 'Z') return vk;
    return static_cast<uint8_t>(key->plain);
}

}  // namespace

void terminal_give_back() { restore_terminal(); }

const PlatformConsole platform_native_console = {
    .std_input_handle = std_input_handle,
    .get_mode = get_mode,
    .set_mode = set_mode,
    .peek_input = peek_input,
    .read_input = read_input,
    .set_ctrl_handler = set_ctrl_handler,
    .map_virtual_key = map_virtual_key,
};
