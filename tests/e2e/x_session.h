// Helpers for end-to-end tests on a private X server: start Xvfb on a free
// display number, start programs on it, type keys, take screenshots and wait
// for conditions with generous limits.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct XServer {
    pid_t pid = -1;
    int display = -1;  // the number after the colon
    int width = 0;
    int height = 0;
    std::string name() const { return std::string(":").append(std::to_string(display)); }
};

// Starts Xvfb with one screen of width x height x depth; the server picks a
// free display number itself. Returns false when it does not come up.
bool x_start(XServer& server, int width, int height, int depth);
void x_stop(XServer& server);

// Starts a program with DISPLAY set to `display` (unset when empty), its
// output discarded. Returns the process id, or -1.
pid_t spawn_program(const std::string& path, const std::string& display);
// The same with more environment variables, and standard input and error on
// the given descriptors (-1 for /dev/null).
pid_t spawn_program(const std::string& path, const std::string& display,
                    const std::vector<std::string>& more_env, int input_fd, int error_fd);

// Waits until the process ends; its exit status (0-255), or -1 when it is
// still running after `seconds` or ended by a signal.
int wait_exit(pid_t pid, double seconds);
// Ends a process that is still running and reaps it.
void kill_program(pid_t pid);

// Runs a shell command with DISPLAY set; its standard output, trimmed.
std::string run_on(const XServer& server, const std::string& command, int* status = nullptr);

// Polls `condition` every 50 ms until it holds or `seconds` pass.
bool wait_until(const std::function<bool()>& condition, double seconds);

double now_seconds();

// The root window as 8-bit RGB triplets; empty when the capture fails.
std::vector<uint8_t> screenshot(const XServer& server);
