// Output files that appear under their final name only when complete.
//
// A regular file is written to a temporary in the same folder, made with
// exclusive creation (nothing already there is opened or followed), and
// moved into place when complete, replacing what had the name (a link is
// replaced, never followed); otherwise it is removed, also when the
// OutputFile goes out of scope or a signal ends the process. A path the
// user named may instead be a FIFO or a character device (or a link to one):
// opened `in_place`, it is written as it is, and so is standard output
// ("-", or a name of the file it writes); other kinds of file are refused.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct OutputFile {
    std::string path;       // the final name
    std::string temporary;  // empty when written in place
    std::FILE* stream = nullptr;
    bool to_stdout = false;

    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();
};

// Failures come with a message naming the file and the reason.
// Before anything is written: `path` can be written as output_file_open
// would, and, unless `in_place`, is no FIFO or device either.
bool output_file_check(const std::string& path, std::string& error, bool in_place = true);
bool output_file_open(OutputFile& file, const std::string& path, std::string& error,
                      bool in_place = false);
// Flushes and closes the stream, and moves the temporary into place.
bool output_file_commit(OutputFile& file, std::string& error);
// "cannot write NAME: REASON", naming the file or standard output.
std::string output_file_failure(const OutputFile& file, const std::string& reason);
// Writes all `size` bytes; on failure `reason` is the system's.
bool output_file_write(std::FILE* out, const void* data, size_t size, std::string& reason);

// True when two paths would write one file: the same name in the same
// folder, or names (links included) of one existing file.
bool output_file_same(const std::string& a, const std::string& b);
// True when `path` is "-" or names the file that standard output writes.
bool output_file_is_stdout(const std::string& path);
std::string output_file_join(const std::string& dir, const std::string& name);
// False when standard output is closed (the next file opened would take its
// number); a closed standard input or error is given the null device.
bool output_file_standard_streams();

// The system's part, from output_file_posix.cpp or output_file_win32.cpp as
// the build's target says. Failures set errno.
//
// How a path the user named is written; refused with errno EISDIR, EPERM
// for a file that cannot be replaced, or EINVAL for a kind of file that is
// none of the others.
enum class Target { replaced, in_place, refused };
Target system_target(const std::string& path);
// Creates a file if nothing has its name, without following a link.
std::FILE* system_create(const std::string& path);
// Opens the FIFO or device a path names, neither created nor truncated.
std::FILE* system_open_in_place(const std::string& path);
bool system_replace(const std::string& from, const std::string& to);
void system_remove(const char* path);  // safe in a signal handler
size_t system_name_start(const std::string& path);  // where the last name starts
bool system_same_name(const std::string& a, const std::string& b);  // in one folder
// The device or volume, and the file's number there; false when unreadable.
bool system_file_id(const std::string& path, uint64_t id[2]);
// Standard output made fit to carry a capture's bytes.
void system_binary_stdout();
// `handler` on every signal that ends the process and keeps its usual course.
void system_catch_signals(void (*handler)(int));
