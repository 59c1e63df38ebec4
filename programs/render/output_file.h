// Output files that appear under their final name only when complete.
//
// A regular file is written to a temporary beside its final path: created
// with exclusive creation under an unpredictable name, so nothing that
// already exists there (a file, a symbolic link another user planted) is
// opened, followed or truncated. Commit moves it into place, replacing what
// had the name (a link is replaced, never followed); anything else removes
// it. The temporary's name is cut so that it fits wherever the final name
// fits.
//
// A path the user named may instead name a FIFO, a character device or a
// terminal (or a link to one): opened with `in_place`, it is written as it
// is, no temporary, no rename, and any other kind of file (a directory, a
// socket, a block device) is refused. Names the program makes up itself are
// always replaced, so nothing planted under them is ever opened.
//
// While a temporary exists it is registered with handlers of the signals
// that end the process (all but SIGKILL and SIGSTOP), which remove it and
// then let the signal take its usual course.
#pragma once

#include <cstdio>
#include <string>

struct OutputFile {
    std::string path;       // the final name
    std::string temporary;  // the temporary beside it; empty when there is none
    std::FILE* stream = nullptr;
    int slot = -1;  // where the signal handlers find the temporary
    bool direct = false;  // a FIFO or a device, written in place
};

// Checks what `path` names before anything is written, as an output opened
// `in_place`: false with a message (naming the file and the reason) when it
// can be no output.
bool output_file_check(const std::string& path, std::string& error);

// True when two output paths would write the same file: the same name in
// the same folder, or names (links included) of one existing file.
bool output_file_same(const std::string& a, const std::string& b);

// True when `path` names the file that standard output already writes.
bool output_file_is_stdout(const std::string& path);

// Opens `path` for writing: its temporary, or with `in_place` the FIFO or
// device it names. False with a message in `error` (naming the file and the
// reason) when it cannot.
bool output_file_open(OutputFile& file, const std::string& path, std::string& error,
                      bool in_place = false);

// The stream to write to; null when the file is not open.
std::FILE* output_file_stream(OutputFile& file);

// Flushes and closes the stream, checking both, and renames the temporary (if
// there is one) to the final name. On failure the temporary is removed and `error` names the
// file and the reason.
bool output_file_commit(OutputFile& file, std::string& error);

// Closes the stream and removes the temporary; nothing is left behind.
void output_file_discard(OutputFile& file);

// Removes every temporary still registered, as the signal handlers do; for
// a process that is about to end abnormally.
void output_file_remove_all();
