// Row converters: turn one row of 0x00RRGGBB framebuffer pixels into one of
// the eight display layouts, and the chooser that picks the converter from a
// surface's pixel description.
//
// A converter reads exactly `count` source pixels, writes exactly `count`
// destination pixels (4, 3 or 2 bytes each, packed, low byte first), keeps no
// state and cannot fail. After it returns the x87 unit is usable again.
#pragma once

#include <cstdint>

using PixelConverter = void (*)(const uint32_t* source, uint8_t* destination, uint32_t count);

// The converter for (bits per pixel, red, green, blue masks), or null when the
// description is not one of the eight layouts. The masks must match exactly.
// The returned procedure is the fastest one for the running processor.
PixelConverter choose_converter(int32_t bits_per_pixel, uint32_t red_mask, uint32_t green_mask,
                                uint32_t blue_mask);

// 32 bpp, red high: the source word unchanged, top byte included.
void convert_rgb32(const uint32_t* source, uint8_t* destination, uint32_t count);
// 32 bpp, red low: bytes R, G, B, 0.
void convert_bgr32(const uint32_t* source, uint8_t* destination, uint32_t count);
// 24 bpp, red high: bytes B, G, R.
void convert_rgb24(const uint32_t* source, uint8_t* destination, uint32_t count);
// 24 bpp, red low: bytes R, G, B.
void convert_bgr24(const uint32_t* source, uint8_t* destination, uint32_t count);
// 16 bpp 5-6-5, red in bits 11-15.
void convert_rgb565(const uint32_t* source, uint8_t* destination, uint32_t count);
// 16 bpp 5-6-5, red in bits 0-4.
void convert_bgr565(const uint32_t* source, uint8_t* destination, uint32_t count);
// 16 bpp 5-5-5, red in bits 10-14, bit 15 clear.
void convert_rgb555(const uint32_t* source, uint8_t* destination, uint32_t count);
// 16 bpp 5-5-5, red in bits 0-4, bit 15 clear.
void convert_bgr555(const uint32_t* source, uint8_t* destination, uint32_t count);

// The copy behind convert_rgb32: 64-byte blocks, then the remaining bytes one
// at a time. The two areas must not overlap.
void block_copy(void* destination, const void* source, uint32_t bytes);

// Constants of the packed steps; each holds the same pattern for two pixels.
inline constexpr uint64_t MASK_LOW24 = 0x00FFFFFF00FFFFFFull;
inline constexpr uint64_t MASK_BLUE5 = 0x000000F8000000F8ull;
inline constexpr uint64_t MASK_GREEN6 = 0x0000FC000000FC00ull;
inline constexpr uint64_t MASK_RED5 = 0x00F8000000F80000ull;
inline constexpr uint64_t MASK_RED_BLUE5 = 0x00F800F800F800F8ull;
inline constexpr uint64_t MASK_GREEN5 = 0x0000F8000000F800ull;
inline constexpr uint64_t MUL_RGB555 = 0x2000000820000008ull;
inline constexpr uint64_t MUL_BGR555 = 0x0008200000082000ull;

// The implementations of the block steps. Every path writes the same bytes;
// which ones exist depends on the processor the program was built for and
// runs on.
enum class ConverterPath {
    portable,  // plain C++ on 64-bit integers, every processor
    mmx,       // 64-bit packed integers, x86 builds (chosen on 32-bit x86)
    sse2,      // 128-bit packed integers, x86-64 builds
    avx2,      // 256-bit packed integers, x86-64 builds on processors with AVX2
};

// True when `path` is compiled in and the running processor can execute it.
bool converter_path_available(ConverterPath path);

// The path behind choose_converter and the convert_ procedures above.
ConverterPath converter_best_path();

// Like choose_converter, but the converter of the given path; null when the
// path is not available or the description is not one of the eight layouts.
PixelConverter choose_converter_on(ConverterPath path, int32_t bits_per_pixel, uint32_t red_mask,
                                   uint32_t green_mask, uint32_t blue_mask);
