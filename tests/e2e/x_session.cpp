#include "tests/e2e/x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

extern char** environ;

namespace {

std::vector<std::string> environment_with_display(const std::string& display) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("DISPLAY=", 0) == 0 || entry.rfind("WAYLAND_DISPLAY=", 0) == 0) continue;
        env.push_back(entry);
    }
    if (!display.empty()) env.push_back("DISPLAY=" + display);
#ifdef OMBRITH_LSAN_SUPPRESSIONS
    // Sanitizer builds: leaks of system libraries are not the program's.
    env.push_back("LSAN_OPTIONS=suppressions=" OMBRITH_LSAN_SUPPRESSIONS);
#endif
    return env;
}

pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
            int keep_fd, int input_fd = -1, int error_fd = -1) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input_fd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, input_fd, 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (error_fd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, error_fd, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    if (keep_fd >= 0) posix_spawn_file_actions_adddup2(&actions, keep_fd, 3);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

}  // namespace

double now_seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

bool wait_until(const std::function<bool()>& condition, double seconds) {
    const double deadline = now_seconds() + seconds;
    for (;;) {
        if (condition()) return true;
        if (now_seconds() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool x_start(XServer& server, int width, int height, int depth) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    const std::string screen =
        std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
    server.pid = spawn({"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp",
                        "-noreset"},
                       environment_with_display(""), fds[1]);
    close(fds[1]);
    if (server.pid < 0) {
        close(fds[0]);
        return false;
    }
    // The server writes its display number once it accepts clients.
    std::string number;
    const double deadline = now_seconds() + 30.0;
    while (now_seconds() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 200) <= 0) continue;
        char c;
        const ssize_t n = read(fds[0], &c, 1);
        if (n <= 0 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        x_stop(server);
        return false;
    }
    server.display = std::atoi(number.c_str());
    server.width = width;
    server.height = height;
    return true;
}

void x_stop(XServer& server) {
    if (server.pid > 0) kill_program(server.pid);
    server.pid = -1;
}

pid_t spawn_program(const std::string& path, const std::string& display) {
    return spawn({path}, environment_with_display(display), -1);
}

pid_t spawn_program(const std::string& path, const std::string& display,
                    const std::vector<std::string>& more_env, int input_fd, int error_fd) {
    std::vector<std::string> env = environment_with_display(display);
    env.insert(env.end(), more_env.begin(), more_env.end());
    return spawn({path}, env, -1, input_fd, error_fd);
}

int wait_exit(pid_t pid, double seconds) {
    int status = 0;
    pid_t done = 0;
    wait_until(
        [&] {
            done = waitpid(pid, &status, WNOHANG);
            return done != 0;
        },
        seconds);
    if (done != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void kill_program(pid_t pid) {
    if (pid <= 0) return;
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    kill(pid, SIGTERM);
    if (wait_exit(pid, 5.0) == -1 && waitpid(pid, nullptr, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

std::string run_on(const XServer& server, const std::string& command, int* status) {
    const std::string line = "DISPLAY=" + server.name() + " " + command + " 2>/dev/null";
    FILE* pipe_in = popen(line.c_str(), "r");
    std::string out;
    if (pipe_in == nullptr) {
        if (status) *status = -1;
        return out;
    }
    char buffer[256];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe_in)) > 0) out.append(buffer, n);
    const int rc = pclose(pipe_in);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

std::vector<uint8_t> screenshot(const XServer& server) {
    char path[] = "/tmp/ombrith-shot-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return {};
    close(fd);
    int status = 0;
    run_on(server, std::string("import -window root -depth 8 rgb:") + path, &status);
    std::vector<uint8_t> pixels;
    if (status == 0) {
        FILE* f = std::fopen(path, "rb");
        if (f != nullptr) {
            pixels.resize(static_cast<size_t>(server.width) * server.height * 3);
            if (std::fread(pixels.data(), 1, pixels.size(), f) != pixels.size()) pixels.clear();
            std::fclose(f);
        }
    }
    unlink(path);
    return pixels;
}
