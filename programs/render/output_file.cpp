#include "programs/render/output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>

namespace {

// Temporaries open at one time: the tool writes one file after another.
constexpr int kSlots = 4;
constexpr size_t kPathCapacity = 4096;
// Tries at an unused name before giving up (each collision is a file that
// someone else made under a name of 64 random bits).
constexpr int kNameAttempts = 32;

// What the signal handlers read: fixed storage, set and cleared only while
// the signals are held back.
struct Registered {
    volatile sig_atomic_t active;
    char path[kPathCapacity];
};
Registered registered[kSlots];

#ifdef SIGHUP
constexpr int kRemovalSignals[] = {SIGINT, SIGTERM, SIGHUP};
#else
constexpr int kRemovalSignals[] = {SIGINT, SIGTERM};
#endif
bool handlers_installed = false;

void remove_path(const char* path) {
#ifdef _WIN32
    DeleteFileA(path);
#else
    unlink(path);
#endif
}

// Removes what is registered, then ends the process as the signal would
// have: only async-signal-safe calls.
void on_removal_signal(int signal_number) {
    for (Registered& r : registered) {
        if (r.active) remove_path(r.path);
    }
#ifdef _WIN32
    signal(signal_number, SIG_DFL);
    raise(signal_number);
#else
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal_number);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(signal_number);
#endif
}

// Signals the process was told to ignore (nohup) stay ignored.
void install_handlers() {
    if (handlers_installed) return;
    handlers_installed = true;
    for (int s : kRemovalSignals) {
#ifdef _WIN32
        if (signal(s, on_removal_signal) == SIG_IGN) signal(s, SIG_IGN);
#else
        struct sigaction previous {};
        sigaction(s, nullptr, &previous);
        if (previous.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = on_removal_signal;
        sigemptyset(&action.sa_mask);
        for (int other : kRemovalSignals) sigaddset(&action.sa_mask, other);
        sigaction(s, &action, nullptr);
#endif
    }
}

// Holds the removal signals back while the registry and the file system
// change together, so a handler never sees one without the other.
class HeldSignals {
public:
#ifdef _WIN32
    HeldSignals() = default;
#else
    HeldSignals() {
        sigset_t set;
        sigemptyset(&set);
        for (int s : kRemovalSignals) sigaddset(&set, s);
        sigprocmask(SIG_BLOCK, &set, &previous_);
    }
    ~HeldSignals() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t previous_;
#endif
};

int free_slot() {
    for (int i = 0; i < kSlots; ++i) {
        if (!registered[i].active) return i;
    }
    return -1;
}

void unregister(OutputFile& file) {
    if (file.slot >= 0) registered[file.slot].active = 0;
    file.slot = -1;
}

// 64 bits from the system's random source, in hexadecimal.
std::string random_suffix() {
    uint64_t value = 0;
    try {
        static std::random_device device;
        value = (static_cast<uint64_t>(device()) << 32) ^ device();
    } catch (...) {
        // No random source: still unique through exclusive creation.
        static uint64_t counter = 0;
        value = static_cast<uint64_t>(
                    std::chrono::steady_clock::now().time_since_epoch().count()) ^
                (++counter << 48);
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string failure(const std::string& path, int error_number) {
    return "cannot write " + path + ": " + std::strerror(error_number != 0 ? error_number : EIO);
}

#ifdef _WIN32
int errno_of_last_error() {
    switch (GetLastError()) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_ACCESS_DENIED: return EACCES;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return ENOENT;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ENOSPC;
        default: return EIO;
    }
}
#endif

// Creates `temporary` if no file of that name exists, without following a
// link; null with errno set otherwise.
std::FILE* create_exclusive(const std::string& temporary) {
#ifdef _WIN32
    // Deletion is shared so that a signal handler can remove the file while
    // it is still open.
    HANDLE handle = CreateFileA(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = errno_of_last_error();
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        DeleteFileA(temporary.c_str());
        errno = EMFILE;
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, "wb");
    if (!stream) {
        const int saved = errno;
        _close(fd);
        DeleteFileA(temporary.c_str());
        errno = saved;
    }
    return stream;
#else
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* stream = fdopen(fd, "wb");
    if (!stream) {
        const int saved = errno;
        close(fd);
        unlink(temporary.c_str());
        errno = saved;
    }
    return stream;
#endif
}

// Moves the finished file into place, replacing an older one of the same
// name (the C library's rename refuses that on Windows).
bool replace_file(const std::string& from, const std::string& to) {
#ifdef _WIN32
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    errno = errno_of_last_error();
    return false;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace

bool output_file_open(OutputFile& file, const std::string& path, std::string& error) {
    output_file_discard(file);
    install_handlers();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string temporary = path + ".partial-" + random_suffix();
        if (temporary.size() >= kPathCapacity) {
            error = failure(path, ENAMETOOLONG);
            return false;
        }
        HeldSignals held;
        const int slot = free_slot();
        if (slot < 0) {
            error = failure(path, EMFILE);
            return false;
        }
        errno = 0;
        std::FILE* stream = create_exclusive(temporary);
        if (!stream) {
            if (errno == EEXIST) continue;
            error = failure(path, errno);
            return false;
        }
        std::memcpy(registered[slot].path, temporary.c_str(), temporary.size() + 1);
        registered[slot].active = 1;
        file.path = path;
        file.temporary = temporary;
        file.stream = stream;
        file.slot = slot;
        return true;
    }
    error = failure(path, EEXIST);
    return false;
}

std::FILE* output_file_stream(OutputFile& file) { return file.stream; }

bool output_file_commit(OutputFile& file, std::string& error) {
    if (!file.stream) {
        error = failure(file.path, EBADF);
        return false;
    }
    int error_number = 0;
    errno = 0;
    if (std::fflush(file.stream) != 0 || std::ferror(file.stream)) error_number = errno ? errno : EIO;
    errno = 0;
    if (std::fclose(file.stream) != 0 && error_number == 0) error_number = errno ? errno : EIO;
    file.stream = nullptr;
    if (error_number == 0) {
        HeldSignals held;
        if (replace_file(file.temporary, file.path)) {
            unregister(file);
            file.temporary.clear();
            return true;
        }
        error_number = errno ? errno : EIO;
    }
    error = failure(file.path, error_number);
    output_file_discard(file);
    return false;
}

void output_file_discard(OutputFile& file) {
    if (file.stream) {
        std::fclose(file.stream);
        file.stream = nullptr;
    }
    if (!file.temporary.empty()) {
        HeldSignals held;
        remove_path(file.temporary.c_str());
        unregister(file);
        file.temporary.clear();
    }
}
