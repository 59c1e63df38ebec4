// A file that appears under its final name only when it is complete.
// Stand-in with the interface of the render tool's shared output module;
// "-" stands for standard output.
#pragma once

#include <cstdio>
#include <string>

struct PendingFile {
    std::string path;
    std::string temporary;
    std::FILE* stream = nullptr;
    bool is_stdout = false;
};

// Opens a temporary file beside `path` (or standard output for "-").
bool pending_file_open(PendingFile& file, const std::string& path, std::string& error);
std::FILE* pending_file_stream(PendingFile& file);
// Flushes, closes and renames the temporary to `path`.
bool pending_file_commit(PendingFile& file, std::string& error);
// Closes and removes the temporary.
void pending_file_discard(PendingFile& file);
