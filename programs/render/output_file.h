// Output files that appear under their final name only when complete.
//
// A file is written to a temporary beside its final path: created with
// exclusive creation under an unpredictable name, so nothing that already
// exists there (a file, a symbolic link another user planted) is opened,
// followed or truncated. Commit moves it into place; anything else removes
// it. While it is open it is registered with the handlers of SIGINT, SIGTERM
// and SIGHUP, which remove it and then end the process with the signal's
// usual status.
#pragma once

#include <cstdio>
#include <string>

struct OutputFile {
    std::string path;       // the final name
    std::string temporary;  // the temporary beside it; empty when there is none
    std::FILE* stream = nullptr;
    int slot = -1;  // where the signal handlers find the temporary
};

// Creates the temporary of `path` and opens it for writing. False with a
// message in `error` (naming the file and the reason) when it cannot.
bool output_file_open(OutputFile& file, const std::string& path, std::string& error);

// The stream to write to; null when the file is not open.
std::FILE* output_file_stream(OutputFile& file);

// Flushes and closes the stream, checking both, and renames the temporary to
// the final name. On failure the temporary is removed and `error` names the
// file and the reason.
bool output_file_commit(OutputFile& file, std::string& error);

// Closes the stream and removes the temporary; nothing is left behind.
void output_file_discard(OutputFile& file);
