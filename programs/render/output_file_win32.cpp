// Output files on Windows, where the devices (NUL, CON, COM1, \\.\...) and
// pipes are written in place.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "programs/render/output_file.h"

namespace {

int errno_of_last_error() {
    const DWORD e = GetLastError();
    return e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS     ? EEXIST
           : e == ERROR_ACCESS_DENIED                              ? EACCES
           : e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? ENOENT
           : e == ERROR_DISK_FULL || e == ERROR_HANDLE_DISK_FULL   ? ENOSPC
                                                                   : EIO;
}

// The stream of a handle, which is closed when there is none.
std::FILE* stream_of(HANDLE handle) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    std::FILE* stream = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (!stream) fd < 0 ? CloseHandle(handle) : _close(fd);
    return stream;
}

}  // namespace

Target system_target(const std::string& path) {
    // A device's name (NUL, CON, \\.\...) has a full path of the device's own.
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (length > 4 && length < MAX_PATH && std::strncmp(full, "\\\\.\\", 4) == 0) {
        return Target::in_place;
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return Target::replaced;
    }
    errno = EISDIR;
    return Target::refused;
}

std::FILE* system_create(const std::string& path) {
    // Deletion is shared so that the signal handler can remove the file while
    // it is still open.
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = errno_of_last_error();
        return nullptr;
    }
    std::FILE* stream = stream_of(handle);
    if (!stream) {
        DeleteFileA(path.c_str());
        errno = EMFILE;
    }
    return stream;
}

// Checked again once open, in case the name changed hands in between.
std::FILE* system_open_in_place(const std::string& path) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    const DWORD type = handle == INVALID_HANDLE_VALUE ? FILE_TYPE_UNKNOWN : GetFileType(handle);
    if (type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE) return stream_of(handle);
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    errno = type == FILE_TYPE_UNKNOWN ? errno_of_last_error() : EINVAL;
    return nullptr;
}

// The C library's rename refuses to replace a file on Windows.
bool system_replace(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    errno = errno_of_last_error();
    return false;
}

void system_remove(const char* path) { DeleteFileA(path); }

size_t system_name_start(const std::string& path) { return path.find_last_of("/\\:") + 1; }

bool system_same_name(const std::string& a, const std::string& b) {
    return _stricmp(a.c_str(), b.c_str()) == 0;
}

bool system_file_id(const std::string& path, uint64_t id[2]) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE handle = CreateFileA(path.c_str(), 0, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool read = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!read) return false;
    id[0] = info.dwVolumeSerialNumber;
    id[1] = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return true;
}

// Signals the process was told to ignore stay ignored.
void system_catch_signals(void (*handler)(int)) {
    for (int s : {SIGINT, SIGTERM, SIGABRT}) {
        if (std::signal(s, handler) == SIG_IGN) std::signal(s, SIG_IGN);
    }
}

bool output_file_is_stdout(const std::string& path) { return path == "-"; }

// A bare drive ("C:") takes the name as it is.
std::string output_file_join(const std::string& dir, const std::string& name) {
    const bool ends = !dir.empty() && (dir.back() == '/' || dir.back() == '\\' ||
                                       (dir.size() == 2 && dir[1] == ':'));
    return dir.empty() || ends ? dir + name : dir + '\\' + name;
}

bool output_file_standard_streams() { return true; }

// No CR before every LF byte.
void system_binary_stdout() { _setmode(_fileno(stdout), _O_BINARY); }
