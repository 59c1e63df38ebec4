// Inside the converters: the per-path tables and the one-pixel steps that
// every path uses for the pixels after its last whole group.
#pragma once

#include <cstdint>

#include "pixelwindow/converters.h"

// One implementation of the eight layouts, in the chooser's order.
struct ConverterSet {
    PixelConverter rgb32;
    PixelConverter bgr32;
    PixelConverter rgb24;
    PixelConverter bgr24;
    PixelConverter rgb565;
    PixelConverter bgr565;
    PixelConverter rgb555;
    PixelConverter bgr555;
    void (*block_copy)(void* destination, const void* source, uint32_t bytes);
};

extern const ConverterSet portable_converters;
#if defined(__MMX__)
extern const ConverterSet mmx_converters;
#endif
#if defined(__x86_64__)
extern const ConverterSet sse2_converters;
extern const ConverterSet avx2_converters;
void sse2_block_copy(void* destination, const void* source, uint32_t bytes);
void sse2_rgb32(const uint32_t* source, uint8_t* destination, uint32_t count);
void sse2_bgr32(const uint32_t* source, uint8_t* destination, uint32_t count);
#endif

// One-pixel steps. Each takes the whole source word p = 0x??RRGGBB.

inline void store16(uint8_t* destination, uint32_t value) {
    destination[0] = static_cast<uint8_t>(value);
    destination[1] = static_cast<uint8_t>(value >> 8);
}

inline uint32_t pixel_bgr32(uint32_t p) {
    return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}

inline void pixel_rgb24(uint32_t p, uint8_t* destination) {
    destination[0] = static_cast<uint8_t>(p);
    destination[1] = static_cast<uint8_t>(p >> 8);
    destination[2] = static_cast<uint8_t>(p >> 16);
}

inline void pixel_bgr24(uint32_t p, uint8_t* destination) {
    destination[0] = static_cast<uint8_t>(p >> 16);
    destination[1] = static_cast<uint8_t>(p >> 8);
    destination[2] = static_cast<uint8_t>(p);
}

inline uint32_t pixel_rgb565(uint32_t p) {
    uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return ((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3);
}

inline uint32_t pixel_bgr565(uint32_t p) {
    uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return ((b & 0xF8) << 8) | ((g & 0xFC) << 3) | (r >> 3);
}

inline uint32_t pixel_rgb555(uint32_t p) {
    return ((p >> 3) & 0x1F) | ((p >> 6) & 0x3E0) | ((p >> 9) & 0x7C00);
}

inline uint32_t pixel_bgr555(uint32_t p) {
    return ((p >> 19) & 0x1F) | ((p >> 6) & 0x3E0) | ((p << 7) & 0x7C00);
}

// Scalar rows, also the rests of the block loops.

inline void rest_bgr32(const uint32_t* source, uint8_t* destination, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t v = pixel_bgr32(source[i]);
        destination[4 * i + 0] = static_cast<uint8_t>(v);
        destination[4 * i + 1] = static_cast<uint8_t>(v >> 8);
        destination[4 * i + 2] = static_cast<uint8_t>(v >> 16);
        destination[4 * i + 3] = static_cast<uint8_t>(v >> 24);
    }
}

inline void rest_rgb24(const uint32_t* source, uint8_t* destination, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) pixel_rgb24(source[i], destination + 3 * i);
}

inline void rest_bgr24(const uint32_t* source, uint8_t* destination, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) pixel_bgr24(source[i], destination + 3 * i);
}

inline void rest_rgb565(const uint32_t* source, uint8_t* destination, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) store16(destination + 2 * i, pixel_rgb565(source[i]));
}

inline void rest_bgr565(const uint32_t* source, uint8_t* destination, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) store16(destination + 2 * i, pixel_bgr565(source[i]));
}

inline void rest_rgb555(const uint32_t* source, uint8_t* destination, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) store16(destination + 2 * i, pixel_rgb555(source[i]));
}

inline void rest_bgr555(const uint32_t* source, uint8_t* destination, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) store16(destination + 2 * i, pixel_bgr555(source[i]));
}

// The byte step of block_copy.
inline void rest_bytes(uint8_t* destination, const uint8_t* source, uint32_t bytes) {
    for (uint32_t i = 0; i < bytes; ++i) destination[i] = source[i];
}

// The set behind choose_converter and the public convert_ procedures: the
// fastest one for the running processor, fixed on first use.
const ConverterSet& best_converters();
