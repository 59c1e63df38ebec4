// What output_file.cpp asks of the system: output_file_posix.cpp or
// output_file_win32.cpp, as the build's target says. Failures set errno.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// How a path the user named is written.
enum class Target { replaced, in_place, refused };
// Refused with errno EISDIR, or EINVAL for another kind of file.
Target system_target(const std::string& path);
// Creates `path` if nothing has that name, without following a link.
std::FILE* system_create(const std::string& path);
// Opens the FIFO or device `path` names, neither created nor truncated.
std::FILE* system_open_in_place(const std::string& path);
// Moves `from` to `to`, replacing what had the name.
bool system_replace(const std::string& from, const std::string& to);
// Where a path's last name starts.
size_t system_name_start(const std::string& path);
// True when two names in one folder name the same file.
bool system_same_name(const std::string& a, const std::string& b);
// The device or volume and the file's number on it; false when unreadable.
bool system_file_id(const std::string& path, uint64_t id[2]);
// Calls `handler` on every signal that ends the process and has its usual
// course.
void system_catch_signals(void (*handler)(int));
