// The runtime's strings, the pool of temporary strings and the three-way
// comparison.
#pragma once

#include <cstddef>
#include <cstdint>

// `data` points at `length` text bytes followed by a zero byte, or is null
// for an empty string without a buffer. Bit 31 of `length` marks a
// temporary string, which its consumer hands back with rt_temp_release.
// `capacity` counts the text bytes the buffer holds, without the zero.
struct StringDescriptor {
    char* data;
    uint32_t length;
    uint32_t capacity;
};

// What rt_inkey returns: empty (no key), one character (an ordinary key) or
// two characters, 255 then the extended code (a special key).
using KeyString = StringDescriptor;

constexpr uint32_t kTemporaryFlag = 0x80000000u;
constexpr uint32_t kLengthMask = 0x7FFFFFFFu;
constexpr int32_t kTempPoolSlots = 256;

// The static empty string: all fields 0, neither temporary nor a pool slot.
extern StringDescriptor rt_empty_string;

// A new temporary string with room for `length` bytes and the terminating
// zero, which the caller writes; null when all pool slots are in use, when
// there is no memory or when `length` is negative.
StringDescriptor* rt_temp_alloc(int32_t length);

// Frees a temporary string's buffer and gives its pool slot back: 0 when the
// descriptor went back to the pool, -1 otherwise.
int32_t rt_temp_release(StringDescriptor* desc);

// A temporary string of `count` characters, each the low byte of one of the
// following int32_t arguments; the static empty string for a count of 0 or
// less and when no temporary string can be had.
StringDescriptor* rt_chr(int32_t count, ...);

// Three-way comparison (-1, 0, 1) of two strings as unsigned bytes. A size
// of -1 says that the pointer is a StringDescriptor, which is released
// afterwards; any other size says that it is zero-terminated text.
int32_t rt_str_compare(const void* a, int32_t a_size, const void* b, int32_t b_size);

// Number of pool slots in use.
int32_t rt_temp_in_use();

// The allocator behind the temporary strings' buffers (malloc and free);
// tests point it at one that fails on demand.
struct StringMemory {
    void* (*allocate)(size_t size);
    void (*release)(void* block);
};
extern const StringMemory* rt_string_memory;
extern const StringMemory rt_native_string_memory;
