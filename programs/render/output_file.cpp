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

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>

namespace {

// Temporaries open at one time: the tool writes one file after another.
constexpr int kSlots = 4;
constexpr size_t kPathCapacity = 4096;
// The longest file name and path the systems take, in bytes (terminator
// excluded): a temporary's name is cut to stay within them.
constexpr size_t kNameMax = 255;
constexpr size_t kPathMax = kPathCapacity - 1;
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

bool handlers_installed = false;

void remove_path(const char* path) {
#ifdef _WIN32
    DeleteFileA(path);
#else
    unlink(path);
#endif
}

void remove_registered() {
    for (Registered& r : registered) {
        if (r.active) remove_path(r.path);
    }
}

#ifdef _WIN32
constexpr int kRemovalSignals[] = {SIGINT, SIGTERM, SIGABRT};

// Removes what is registered, then ends the process as the signal would
// have.
void on_removal_signal(int signal_number) {
    remove_registered();
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

// Signals the process was told to ignore stay ignored.
void install_handlers() {
    if (handlers_installed) return;
    handlers_installed = true;
    for (int s : kRemovalSignals) {
        if (signal(s, on_removal_signal) == SIG_IGN) signal(s, SIG_IGN);
    }
}
#else
// Every signal whose usual course ends the process, except the two that
// cannot be caught.
bool ends_process(int s) {
    switch (s) {
        case SIGKILL: case SIGSTOP:                                    // cannot be caught
        case SIGCHLD: case SIGCONT: case SIGURG: case SIGWINCH:        // ignored by default
        case SIGTSTP: case SIGTTIN: case SIGTTOU: return false;        // stop, not end
        default: return true;
    }
}

// Signals raised by the faulting instruction itself.
bool is_fault(int s) {
    return s == SIGSEGV || s == SIGBUS || s == SIGFPE || s == SIGILL || s == SIGTRAP ||
           s == SIGSYS;
}

// The signals held back while the registry changes: all that end the
// process, bar the faults (held back, they would end it at once).
sigset_t held_set() {
    sigset_t set;
    sigemptyset(&set);
    for (int s = 1; s < NSIG; ++s) {
        if (ends_process(s) && !is_fault(s)) sigaddset(&set, s);
    }
    return set;
}

// Removes what is registered, then lets the signal take its usual course:
// only async-signal-safe calls.
void on_removal_signal(int signal_number, siginfo_t* info, void*) {
    remove_registered();
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
    // A fault from an instruction recurs when it runs again.
    if (is_fault(signal_number) && info != nullptr && info->si_code > 0) return;
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal_number);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(signal_number);
}

// Only signals left to their usual course are taken: those the process was
// told to ignore (nohup, SIGXFSZ with a limit on file sizes) stay ignored,
// and those that have a handler already (a profiler's, a sanitizer's) keep
// it.
void install_handlers() {
    if (handlers_installed) return;
    handlers_installed = true;
    for (int s = 1; s < NSIG; ++s) {
        if (!ends_process(s)) continue;
        struct sigaction previous {};
        if (sigaction(s, nullptr, &previous) != 0) continue;  // reserved by the C library
        if ((previous.sa_flags & SA_SIGINFO) != 0 || previous.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_sigaction = on_removal_signal;
        action.sa_flags = SA_SIGINFO;
        sigfillset(&action.sa_mask);
        sigaction(s, &action, nullptr);
    }
}
#endif

// Holds the removal signals back while the registry and the file system
// change together, so a handler never sees one without the other.
class HeldSignals {
public:
#ifdef _WIN32
    // Windows has no signal mask; the handlers run on their own thread.
    HeldSignals() {}
    ~HeldSignals() {}
#else
    HeldSignals() {
        const sigset_t set = held_set();
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

// Where the last name of a path starts (after its folder part, if any).
size_t name_start(const std::string& path) {
#ifdef _WIN32
    const size_t slash = path.find_last_of("/\\:");
#else
    const size_t slash = path.rfind('/');
#endif
    return slash == std::string::npos ? 0 : slash + 1;
}

// The temporary beside `path`: its name followed by ".partial-" and 16 hex
// digits, the name cut as far as needed to stay within the limits of a file
// name and a path.
std::string temporary_name(const std::string& path) {
    const size_t folder = name_start(path);
    const std::string suffix = ".partial-" + random_suffix();
    size_t keep = std::min(path.size() - folder, kNameMax - suffix.size());
    keep = std::min(keep, kPathMax > folder + suffix.size() ? kPathMax - folder - suffix.size() : 0);
    return path.substr(0, folder + keep) + suffix;
}

// How a path is written.
enum class Target { replaced, direct, refused };

// What `path` names: nothing yet, a regular file or a link to one (or a
// link to nothing) is replaced; a FIFO or a character device is written
// directly; anything else is refused, with the reason in errno.
Target target_of(const std::string& path) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        errno = EISDIR;
        return Target::refused;
    }
    return Target::replaced;
#else
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        // Nothing there, or a link to nothing or in a loop: a new file.
        return errno == ENOENT || errno == ELOOP ? Target::replaced : Target::refused;
    }
    if (S_ISREG(status.st_mode)) return Target::replaced;
    if (S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode)) return Target::direct;
    errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
    return Target::refused;
#endif
}

std::string refusal(const std::string& path, int error_number) {
    if (error_number == EINVAL) {
        return "cannot write " + path + ": not a file, a FIFO or a character device";
    }
    return failure(path, error_number);
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

bool output_file_check(const std::string& path, std::string& error) {
    errno = 0;
    if (target_of(path) != Target::refused) return true;
    error = refusal(path, errno);
    return false;
}

namespace {

// The identity of an existing file (device or volume, and the file's number
// there); false when it cannot be read, as for a name that does not exist.
struct FileId {
    uint64_t volume = 0;
    uint64_t index = 0;
};

bool file_id(const std::string& path, FileId& id) {
#ifdef _WIN32
    HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool read = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!read) return false;
    id.volume = info.dwVolumeSerialNumber;
    id.index = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return true;
#else
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    id.volume = static_cast<uint64_t>(info.st_dev);
    id.index = static_cast<uint64_t>(info.st_ino);
    return true;
#endif
}

bool same_id(const FileId& a, const FileId& b) { return a.volume == b.volume && a.index == b.index; }

// The folder part of a path ("." when there is none) and the last name.
void split_path(const std::string& path, std::string& folder, std::string& name) {
    const size_t start = name_start(path);
    folder = start == 0 ? std::string(".") : path.substr(0, start);
    name = path.substr(start);
}

}  // namespace

bool output_file_same(const std::string& a, const std::string& b) {
    FileId ia, ib;
    const bool a_exists = file_id(a, ia);
    const bool b_exists = file_id(b, ib);
    if (a_exists && b_exists) return same_id(ia, ib);
    if (a_exists || b_exists) return false;
    // Neither exists yet: the same name in the same folder.
    std::string folder_a, name_a, folder_b, name_b;
    split_path(a, folder_a, name_a);
    split_path(b, folder_b, name_b);
#ifdef _WIN32
    if (_stricmp(name_a.c_str(), name_b.c_str()) != 0) return false;
#else
    if (name_a != name_b) return false;
#endif
    FileId fa, fb;
    return file_id(folder_a, fa) && file_id(folder_b, fb) && same_id(fa, fb);
}

bool output_file_is_stdout(const std::string& path) {
#ifdef _WIN32
    (void)path;
    return false;
#else
    struct stat named {}, out {};
    return stat(path.c_str(), &named) == 0 && fstat(STDOUT_FILENO, &out) == 0 &&
           named.st_dev == out.st_dev && named.st_ino == out.st_ino;
#endif
}

bool output_file_open(OutputFile& file, const std::string& path, std::string& error,
                      bool in_place) {
    output_file_discard(file);
    install_handlers();
    errno = 0;
    const Target target = in_place ? target_of(path) : Target::replaced;
    if (target == Target::refused) {
        error = refusal(path, errno);
        return false;
    }
#ifndef _WIN32
    if (target == Target::direct) {
        // Neither created nor truncated; checked again once open, in case
        // the name changed hands in between.
        const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            error = failure(path, errno);
            return false;
        }
        struct stat status {};
        if (fstat(fd, &status) != 0 || !(S_ISFIFO(status.st_mode) || S_ISCHR(status.st_mode))) {
            close(fd);
            error = refusal(path, EINVAL);
            return false;
        }
        std::FILE* stream = fdopen(fd, "wb");
        if (!stream) {
            error = failure(path, errno);
            close(fd);
            return false;
        }
        file.path = path;
        file.stream = stream;
        file.direct = true;
        return true;
    }
#endif
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string temporary = temporary_name(path);
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
        file.direct = false;
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
    if (error_number == 0 && file.direct) return true;
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

void output_file_remove_all() {
    HeldSignals held;
    remove_registered();
    for (Registered& r : registered) r.active = 0;
}
