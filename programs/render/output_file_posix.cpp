// Output files on POSIX systems.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "programs/render/output_file.h"

Target system_target(const std::string& path) {
    struct stat status {}, entry {}, folder {};
    if (lstat(path.c_str(), &entry) != 0) return errno == ENOENT ? Target::replaced : Target::refused;
    if (stat(path.c_str(), &status) != 0) {
        // Nothing there, or a link to nothing or in a loop: a new file.
        if (errno != ENOENT && errno != ELOOP) return Target::refused;
    } else if (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode)) {
        return Target::in_place;
    } else if (!S_ISREG(status.st_mode)) {
        errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        return Target::refused;
    }
    // What has the name in a folder with the sticky bit is replaced only by
    // its owner, the folder's, or root.
    const std::string dir = path.substr(0, system_name_start(path));
    const uid_t me = geteuid();
    if (stat(dir.empty() ? "." : dir.c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) &&
        me != 0 && me != entry.st_uid && me != folder.st_uid) {
        errno = EPERM;
        return Target::refused;
    }
    return Target::replaced;
}

std::FILE* system_create(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    std::FILE* stream = fd < 0 ? nullptr : fdopen(fd, "wb");
    if (fd >= 0 && !stream) {
        close(fd);
        unlink(path.c_str());
    }
    return stream;
}

std::FILE* system_open_in_place(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    struct stat status {};
    // Checked again once open, in case the name changed hands in between.
    const bool special = fd >= 0 && fstat(fd, &status) == 0 &&
                         (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode));
    if (std::FILE* stream = special ? fdopen(fd, "wb") : nullptr) return stream;
    if (fd >= 0) close(fd);
    return nullptr;
}

bool system_replace(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

void system_remove(const char* path) { unlink(path); }

size_t system_name_start(const std::string& path) { return path.rfind('/') + 1; }

bool system_same_name(const std::string& a, const std::string& b) { return a == b; }

bool system_file_id(const std::string& path, uint64_t id[2]) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return false;
    id[0] = static_cast<uint64_t>(status.st_dev);
    id[1] = static_cast<uint64_t>(status.st_ino);
    return true;
}

// Signals the process was told to ignore (nohup) stay ignored, and those
// with a handler already (a sanitizer's) keep it.
void system_catch_signals(void (*handler)(int)) {
    for (int s = 1; s < NSIG; ++s) {
        switch (s) {
            case SIGKILL: case SIGSTOP: case SIGCHLD: case SIGCONT: case SIGURG:
            case SIGWINCH: case SIGTSTP: case SIGTTIN: case SIGTTOU: continue;  // end nothing
        }
        struct sigaction action {};
        if (sigaction(s, nullptr, &action) != 0 || (action.sa_flags & SA_SIGINFO) != 0 ||
            action.sa_handler != SIG_DFL) {
            continue;
        }
        action.sa_handler = handler;
        sigfillset(&action.sa_mask);
        sigaction(s, &action, nullptr);
    }
}

bool output_file_is_stdout(const std::string& path) {
    struct stat named {}, out {};
    return path == "-" || (stat(path.c_str(), &named) == 0 && fstat(STDOUT_FILENO, &out) == 0 &&
                           named.st_dev == out.st_dev && named.st_ino == out.st_ino);
}

std::string output_file_join(const std::string& dir, const std::string& name) {
    return dir.empty() || dir.back() == '/' ? dir + name : dir + '/' + name;
}

bool output_file_standard_streams() {
    for (int fd : {STDIN_FILENO, STDERR_FILENO}) {
        const int mode = fd == STDIN_FILENO ? O_RDONLY : O_WRONLY;
        if (fcntl(fd, F_GETFD) == -1 && open("/dev/null", mode) != fd) return false;
    }
    return fcntl(STDOUT_FILENO, F_GETFD) != -1;
}

void system_binary_stdout() {}
