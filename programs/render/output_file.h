// Output files that appear under their final name only when complete.
//
// A regular file is written to a temporary in the same folder, made with
// exclusive creation (nothing already there is opened or followed), and
// moved into place when complete, replacing what had the name (a link is
// replaced, never followed); otherwise it is removed, also when the
// OutputFile goes out of scope. A signal that ends the process removes the
// temporaries, then takes its usual course. A path the user named may
// instead be a FIFO or a character device (or a link to one): opened
// `in_place`, it is written as it is, and so is standard output (named "-"
// or by a name of the file it writes); other kinds of file are refused.
#pragma once

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
// Closes the stream and removes the temporary.
void output_file_discard(OutputFile& file);
// "cannot write NAME: REASON", naming the file or standard output.
std::string output_file_failure(const OutputFile& file, const std::string& reason);

// True when two paths would write one file: the same name in the same
// folder, or names (links included) of one existing file.
bool output_file_same(const std::string& a, const std::string& b);
// True when `path` is "-" or names the file that standard output writes.
bool output_file_is_stdout(const std::string& path);
std::string output_file_join(const std::string& dir, const std::string& name);
// False when standard output is closed (the next file opened would take its
// number); a closed standard input or error is given the null device.
bool output_file_standard_streams();
