#include "programs/render/output_file.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <random>

namespace {

// The temporaries the signal handler removes: the tool has at most a few
// open at once (two captures, or a picture and the folder's probe).
constexpr int kMaxOpen = 4;
const char* volatile open_temporaries[kMaxOpen];

void on_ending_signal(int signal_number) {
    for (const char* volatile& path : open_temporaries) {
        if (path) system_remove(path);
    }
    // Blocked until the handler returns, then it ends the process.
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

void set_open(const char* path, const char* value) {
    std::atomic_signal_fence(std::memory_order_seq_cst);
    for (const char* volatile& slot : open_temporaries) {
        if (slot == path) {
            slot = value;
            break;
        }
    }
    std::atomic_signal_fence(std::memory_order_seq_cst);
}

void discard(OutputFile& file) {
    if (file.stream && !file.to_stdout) std::fclose(file.stream);
    file.stream = nullptr;
    if (file.temporary.empty()) return;
    system_remove(file.temporary.c_str());
    set_open(file.temporary.c_str(), nullptr);
    file.temporary.clear();
}

std::string refusal(const std::string& path) {
    if (errno == EPERM) return "cannot replace " + path + ": " + std::strerror(EPERM);
    if (errno == EISDIR) return "cannot write " + path + ": " + std::strerror(EISDIR);
    return "cannot write " + path + ": not a file, a FIFO or a character device";
}

}  // namespace

OutputFile::~OutputFile() { discard(*this); }

bool output_file_check(const std::string& path, std::string& error, bool in_place) {
    const Target target = system_target(path);
    if (target == Target::replaced || (target == Target::in_place && in_place)) return true;
    error = target == Target::refused
                ? refusal(path)
                : "cannot write " + path + ": a FIFO or a device, which only captures write into";
    return false;
}

bool output_file_open(OutputFile& file, const std::string& path, std::string& error,
                      bool in_place) {
    static bool catching = false;
    if (!catching) system_catch_signals(on_ending_signal);
    catching = true;
    discard(file);
    file.path = path;
    file.to_stdout = in_place && output_file_is_stdout(path);
    if (file.to_stdout) {
        system_binary_stdout();
        file.stream = stdout;
        return true;
    }
    const Target target = in_place ? system_target(path) : Target::replaced;
    if (target == Target::refused) {
        error = refusal(path);
        return false;
    }
    errno = 0;
    if (target == Target::in_place) file.stream = system_open_in_place(path);
    // A name of our own in the same folder that no one can foresee; one
    // already taken is passed over. The signal handler knows the name before
    // the file exists, so no signal falls between its creation and the
    // handler learning of it.
    static std::random_device entropy;
    for (int tries = 0; target == Target::replaced && tries < 100; ++tries) {
        char name[48];
        std::snprintf(name, sizeof name, ".ombrith-render.partial-%08x%08x", entropy(), entropy());
        file.temporary = path.substr(0, system_name_start(path)) + name;
        set_open(nullptr, file.temporary.c_str());
        errno = 0;
        file.stream = system_create(file.temporary);
        if (file.stream) break;
        set_open(file.temporary.c_str(), nullptr);
        if (errno != EEXIST) break;
    }
    if (file.stream) return true;
    error = output_file_failure(file, std::strerror(errno != 0 ? errno : EEXIST));
    file.temporary.clear();
    return false;
}

bool output_file_commit(OutputFile& file, std::string& error) {
    errno = 0;
    int error_number = 0;
    if (!file.stream || std::fflush(file.stream) != 0 || std::ferror(file.stream)) {
        error_number = errno != 0 ? errno : EIO;
    }
    if (file.stream && !file.to_stdout && std::fclose(file.stream) != 0 && error_number == 0) {
        error_number = errno != 0 ? errno : EIO;
    }
    file.stream = nullptr;
    if (error_number == 0 && !file.temporary.empty() &&
        !system_replace(file.temporary, file.path)) {
        error_number = errno != 0 ? errno : EIO;
    }
    if (error_number != 0) {
        error = output_file_failure(file, std::strerror(error_number));
        discard(file);
        return false;
    }
    set_open(file.temporary.c_str(), nullptr);
    file.temporary.clear();
    return true;
}

std::string output_file_failure(const OutputFile& file, const std::string& reason) {
    return "cannot write " + (file.to_stdout ? "to standard output" : file.path) + ": " + reason;
}

bool output_file_write(std::FILE* out, const void* data, size_t size, std::string& reason) {
    errno = 0;
    if (std::fwrite(data, 1, size, out) == size) return true;
    reason = std::strerror(errno != 0 ? errno : EIO);
    return false;
}

bool output_file_same(const std::string& a, const std::string& b) {
    uint64_t ia[2], ib[2];
    const bool a_exists = system_file_id(a, ia), b_exists = system_file_id(b, ib);
    if (a_exists || b_exists) return a_exists && b_exists && ia[0] == ib[0] && ia[1] == ib[1];
    // Neither exists yet: the same name in the same folder.
    const size_t na = system_name_start(a), nb = system_name_start(b);
    return system_same_name(a.substr(na), b.substr(nb)) &&
           system_file_id(na == 0 ? "." : a.substr(0, na), ia) &&
           system_file_id(nb == 0 ? "." : b.substr(0, nb), ib) && ia[0] == ib[0] && ia[1] == ib[1];
}
