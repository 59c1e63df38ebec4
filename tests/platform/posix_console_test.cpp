// The terminal backend on a pseudo-terminal: the console key path reads a
// child process's standard input, and the terminal's settings come back when
// the child ends, crashes or stops.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>

#include "platform/console.h"
#include "runtime/console_keys.h"
#include "runtime/key_input.h"
#include "runtime/startup.h"
#include "runtime/strings.h"

namespace {

struct Child {
    pid_t pid = -1;
    int master = -1;
    int slave = -1;   // kept open by the parent to read the settings
    int report = -1;  // what the child writes to its report pipe
};

// Runs `body` in a child whose standard input is a fresh pseudo-terminal in
// canonical mode with echo. The child ends through rt_end with the body's
// result.
Child start_child(const std::function<int(int report)>& body) {
    Child c;
    if (openpty(&c.master, &c.slave, nullptr, nullptr, nullptr) != 0) {
        ADD_FAILURE() << "openpty: " << std::strerror(errno);
        return c;
    }
    termios attributes;
    tcgetattr(c.slave, &attributes);
    attributes.c_lflag |= ICANON | ECHO | ISIG;
    tcsetattr(c.slave, TCSANOW, &attributes);
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) {
        ADD_FAILURE() << "pipe";
        return c;
    }
    c.pid = fork();
    if (c.pid == 0) {
        // A process group of its own, whose parent (this test) is in another
        // group of the same session: never orphaned, so a stop signal does
        // stop it however the test itself was started.
        setpgid(0, 0);
        close(pipe_fds[0]);
        close(c.master);
        dup2(c.slave, STDIN_FILENO);
        rt_init(0, nullptr);
        rt_end(body(pipe_fds[1]));
    }
    close(pipe_fds[1]);
    c.report = pipe_fds[0];
    return c;
}

void finish(Child& c) {
    if (c.master >= 0) close(c.master);
    if (c.slave >= 0) close(c.slave);
    if (c.report >= 0) close(c.report);
}

bool canonical_with_echo(int fd) {
    termios attributes;
    if (tcgetattr(fd, &attributes) != 0) return false;
    return (attributes.c_lflag & ICANON) && (attributes.c_lflag & ECHO);
}

// Waits (up to 20 s) for the child to switch its terminal to non-canonical
// mode.
bool wait_for_raw(int slave) {
    for (int i = 0; i < 2000; ++i) {
        termios attributes;
        if (tcgetattr(slave, &attributes) == 0 && !(attributes.c_lflag & ICANON)) return true;
        usleep(10000);
    }
    return false;
}

int wait_child(pid_t pid, int options = 0) {
    int status = 0;
    while (waitpid(pid, &status, options) < 0 && errno == EINTR) {
    }
    return status;
}

// Like wait_child, but a child still running after 20 s is killed: -1.
int wait_child_briefly(pid_t pid) {
    for (int i = 0; i < 2000; ++i) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return status;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    wait_child(pid);
    return -1;
}

// In the child: reads `count` keys, each reported as its length and bytes.
int report_keys(int report, int count) {
    std::string line;
    for (int i = 0; i < count;) {
        KeyString* key = rt_inkey();
        const uint32_t length = key->length & kLengthMask;
        if (length == 0) {
            rt_sleep(-1);
            continue;
        }
        line += std::to_string(length);
        for (uint32_t j = 0; j < length; ++j) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02x", static_cast<unsigned char>(key->data[j]));
            line += hex;
        }
        line += '\n';
        rt_temp_release(key);
        ++i;
    }
    return write(report, line.data(), line.size()) == static_cast<ssize_t>(line.size()) ? 0 : 3;
}

std::string read_report(int fd) {
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    return text;
}

TEST(TerminalPty, KeysTypedIntoTheTerminal) {
    Child c = start_child([](int report) { return report_keys(report, 6); });
    ASSERT_GT(c.pid, 0);
    ASSERT_TRUE(wait_for_raw(c.slave));
    termios attributes;
    tcgetattr(c.slave, &attributes);
    EXPECT_FALSE(attributes.c_lflag & ECHO);
    EXPECT_TRUE(attributes.c_lflag & ISIG) << "Ctrl+C stays with the system";
    // Return arrives as 13, not translated to a newline; the lone Escape at
    // the end is decided after a short wait.
    const char typed[] = "q\r\x1b[A\x1bOP\x1bx\x1b";
    ASSERT_EQ(write(c.master, typed, sizeof typed - 1), static_cast<ssize_t>(sizeof typed - 1));
    const int status = wait_child(c.pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(read_report(c.report), "1 71\n1 0d\n2 ff 48\n2 ff 3b\n2 ff 2d\n1 1b\n");
    EXPECT_TRUE(canonical_with_echo(c.slave)) << "settings restored at exit";
    finish(c);
}

TEST(TerminalPty, SettingsComeBackAfterSignalsThatEndTheProcess) {
    for (int signal_number : {SIGINT, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGPIPE,
                              SIGUSR1, SIGALRM, SIGXCPU}) {
        Child c = start_child([signal_number](int) {
            console_keyhit();
            raise(signal_number);
            return 0;
        });
        ASSERT_GT(c.pid, 0);
        const int status = wait_child(c.pid);
        // A sanitizer's own handler may turn a crash into an exit status.
        EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << strsignal(signal_number);
        if (WIFSIGNALED(status)) {
            EXPECT_EQ(WTERMSIG(status), signal_number);
        }
        EXPECT_TRUE(canonical_with_echo(c.slave)) << strsignal(signal_number);
        finish(c);
    }
}

TEST(TerminalPty, HangupAndTerminateBecomeTheCloseKey) {
    Child c = start_child([](int report) {
        console_keyhit();  // the control handler is in place from here on
        raise(SIGHUP);
        raise(SIGTERM);
        return report_keys(report, 2);
    });
    ASSERT_GT(c.pid, 0);
    const int status = wait_child(c.pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(read_report(c.report), "2 ff 6b\n2 ff 6b\n");
    EXPECT_TRUE(canonical_with_echo(c.slave));
    finish(c);
}

TEST(TerminalPty, StoppingGivesTheTerminalBackAndContinuingTakesItAgain) {
    Child c = start_child([](int) {
        console_keyhit();
        raise(SIGTSTP);
        termios attributes;
        tcgetattr(STDIN_FILENO, &attributes);
        return (attributes.c_lflag & ICANON) ? 4 : 0;
    });
    ASSERT_GT(c.pid, 0);
    const int stopped = wait_child(c.pid, WUNTRACED);
    ASSERT_TRUE(WIFSTOPPED(stopped)) << stopped;
    EXPECT_TRUE(canonical_with_echo(c.slave));
    kill(c.pid, SIGCONT);
    const int status = wait_child(c.pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(canonical_with_echo(c.slave));
    finish(c);
}

// Stopped and continued from outside, with the settings put back meanwhile
// as a shell does: the program takes the terminal again and keeps reading.
// A terminal that vanishes while hang-ups are ignored gives the close key.
TEST(TerminalPty, AStopFromOutsideOrAVanishedTerminalDoesNotLeaveItWaiting) {
    Child c = start_child([](int report) { return report_keys(report, 2); });
    ASSERT_GT(c.pid, 0);
    ASSERT_TRUE(wait_for_raw(c.slave));
    kill(c.pid, SIGSTOP);
    ASSERT_TRUE(WIFSTOPPED(wait_child(c.pid, WUNTRACED)));
    termios attributes;
    tcgetattr(c.slave, &attributes);
    attributes.c_lflag |= ICANON | ECHO;
    tcsetattr(c.slave, TCSANOW, &attributes);
    kill(c.pid, SIGCONT);
    EXPECT_TRUE(wait_for_raw(c.slave)) << "the settings were not taken again";
    ASSERT_EQ(write(c.master, "ab", 2), 2);
    int status = wait_child_briefly(c.pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(read_report(c.report), "1 61\n1 62\n");
    finish(c);

    Child gone = start_child([](int report) {
        signal(SIGHUP, SIG_IGN);
        return report_keys(report, 1);
    });
    ASSERT_GT(gone.pid, 0);
    ASSERT_TRUE(wait_for_raw(gone.slave));
    close(gone.master);
    gone.master = -1;
    status = wait_child_briefly(gone.pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(read_report(gone.report), "2 ff 6b\n");
    finish(gone);
}

TEST(TerminalPty, InputThatIsNotATerminalGivesNoKeysAndKeepsItsMode) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        int fds[2];
        if (pipe(fds) != 0 || write(fds[1], "abc", 3) != 3) _exit(5);
        dup2(fds[0], STDIN_FILENO);
        rt_init(0, nullptr);
        uint32_t mode = 0;
        if (platform_console->get_mode(console_input_handle(), &mode)) _exit(6);
        if (console_keyhit() != 0 || rt_inkey() != &rt_empty_string) _exit(7);
        char left[4] = {};
        if (read(STDIN_FILENO, left, 3) != 3 || std::strcmp(left, "abc") != 0) _exit(8);
        _exit(0);
    }
    const int status = wait_child(pid);
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(TerminalPty, ABackgroundJobLeavesItsTerminalAlone) {
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    termios before;
    tcgetattr(slave, &before);
    before.c_lflag &= ~static_cast<tcflag_t>(ISIG);  // so that rt_init would change it
    tcsetattr(slave, TCSANOW, &before);
    const pid_t leader = fork();
    ASSERT_GE(leader, 0);
    if (leader == 0) {
        // A session with the terminal as its controlling terminal, and a job
        // in a process group of its own, which is not the foreground.
        if (setsid() < 0 || ioctl(slave, TIOCSCTTY, 0) != 0) _exit(10);
        const pid_t job = fork();
        if (job == 0) {
            setpgid(0, 0);
            dup2(slave, STDIN_FILENO);
            rt_init(0, nullptr);
            _exit(console_keyhit() == 0 && rt_inkey() == &rt_empty_string ? 0 : 11);
        }
        int status = 0;
        waitpid(job, &status, WUNTRACED);
        if (WIFSTOPPED(status)) {
            kill(job, SIGKILL);
            _exit(12);
        }
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 13);
    }
    const int status = wait_child(leader);
    EXPECT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "12: the job was stopped";
    termios after;
    tcgetattr(slave, &after);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    close(master);
    close(slave);
}

}  // namespace
