#include "programs/render/pending_file.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#define ombrith_getpid _getpid
#else
#include <unistd.h>
#define ombrith_getpid getpid
#endif

#include <cerrno>
#include <cstring>

namespace {

// Moves the finished file into place, replacing an older one of the same
// name (the C library's rename refuses that on Windows).
bool replace_file(const std::string& from, const std::string& to) {
#ifdef _WIN32
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace

bool pending_file_open(PendingFile& file, const std::string& path, std::string& error) {
    file = PendingFile{};
    file.path = path;
    if (path == "-") {
#ifdef _WIN32
        _setmode(_fileno(stdout), _O_BINARY);
#endif
        file.stream = stdout;
        file.is_stdout = true;
        return true;
    }
    file.temporary = path + ".partial-" + std::to_string(ombrith_getpid());
    file.stream = std::fopen(file.temporary.c_str(), "wb");
    if (!file.stream) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::FILE* pending_file_stream(PendingFile& file) { return file.stream; }

bool pending_file_commit(PendingFile& file, std::string& error) {
    if (!file.stream) {
        error = "cannot write " + file.path + ": not open";
        return false;
    }
    const std::string name = file.is_stdout ? std::string("standard output") : file.path;
    bool ok = std::fflush(file.stream) == 0 && !std::ferror(file.stream);
    if (!ok) error = "cannot write " + name + ": " + std::strerror(errno);
    if (!file.is_stdout) {
        if (std::fclose(file.stream) != 0 && ok) {
            error = "cannot write " + name + ": " + std::strerror(errno);
            ok = false;
        }
        file.stream = nullptr;
        if (ok && !replace_file(file.temporary, file.path)) {
            error = "cannot rename " + file.temporary + " to " + file.path + ": " +
                    std::strerror(errno);
            ok = false;
        }
        if (!ok) std::remove(file.temporary.c_str());
    }
    file.stream = nullptr;
    return ok;
}

void pending_file_discard(PendingFile& file) {
    if (file.stream && !file.is_stdout) {
        std::fclose(file.stream);
        std::remove(file.temporary.c_str());
    }
    file.stream = nullptr;
}
