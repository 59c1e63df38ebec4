// Output files that appear under their final name only when complete.
//
// A regular file is written to a temporary in the same folder, made with
// exclusive creation (nothing already there is opened or followed), and
// moved into place when complete, replacing what had the name (a link is
// replaced, never followed); otherwise it is removed, also when the
// OutputFile goes out of scope unfinished. A signal that ends the process
// removes the temporaries first, then takes its usual course.
//
// A path the user named may instead name a FIFO or a character device (or
// a link to one): opened `in_place`, it is written as it is, and any other
// kind of file but a regular one (a directory, a socket) is refused.
#pragma once

#include <cstdio>
#include <string>

struct OutputFile {
    std::string path;       // the final name
    std::string temporary;  // empty when written in place
    std::FILE* stream = nullptr;

    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();
};

// Each of these fails with a message naming the file and the reason.

// Checks, before anything is written, that `path` can be opened in place.
bool output_file_check(const std::string& path, std::string& error);
// Opens `path` for writing: a temporary, or `in_place` the FIFO or device
// it names.
bool output_file_open(OutputFile& file, const std::string& path, std::string& error,
                      bool in_place = false);
// Flushes and closes the stream and moves the temporary into place.
bool output_file_commit(OutputFile& file, std::string& error);
// Closes the stream and removes the temporary.
void output_file_discard(OutputFile& file);

// True when two paths would write one file: the same name in the same
// folder, or names (links included) of one existing file.
bool output_file_same(const std::string& a, const std::string& b);
// True when `path` names the file that standard output writes.
bool output_file_is_stdout(const std::string& path);
// dir/name with the system's separator.
std::string output_file_join(const std::string& dir, const std::string& name);
// False when standard output is closed (the next file opened would take
// its place); a closed standard input or error is filled with nothing.
bool output_file_standard_streams();
// Standard output as it must be to carry a capture's bytes.
void output_file_binary_stdout();
