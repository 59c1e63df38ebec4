// What output_file.cpp asks of the system, from output_file_posix.cpp or
// output_file_win32.cpp as the build's target says. Failures set errno.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

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
