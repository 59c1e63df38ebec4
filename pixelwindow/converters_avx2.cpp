// The block steps on 256-bit packed integers (AVX2), for x86-64 processors
// that have it; the chooser asks the processor before it uses them. Eight
// pixels to a register. The byte shuffles of AVX2 make the 24-bit layouts
// cheap as well.
#if defined(__x86_64__)

// Everything shared with other files is included before the target switch,
// so that no inline procedure of theirs is compiled for AVX2 here and then
// picked by the linker for callers on processors without it.
#include <immintrin.h>

#include "pixelwindow/converter_paths.h"

#pragma GCC push_options
#pragma GCC target("avx2")

namespace {

inline __m256i load(const uint32_t* source) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source));
}
inline void store(uint8_t* destination, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination), v);
}
inline __m256i splat(uint64_t pattern) { return _mm256_set1_epi64x(static_cast<long long>(pattern)); }

// Eight pixels to 24 packed bytes in the low 24 bytes of the result: three
// bytes of each pixel, in the order `order` picks them within each 128-bit
// half, then the two halves' 12 bytes joined.
inline __m256i pack_three_bytes(__m256i p, __m256i order) {
    __m256i halves = _mm256_shuffle_epi8(p, order);
    return _mm256_permutevar8x32_epi32(halves, _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
}

// The 24-bit rows: whole 32-byte stores while at least 11 pixels remain
// (the store's 8 spare bytes are overwritten by the next group), then one
// group stored as 16 + 8 bytes, then single pixels.
template <bool red_high>
void avx2_24(const uint32_t* source, uint8_t* destination, uint32_t count) {
    const __m256i order = red_high
        ? _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -128, -128, -128, -128,
                           0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -128, -128, -128, -128)
        : _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -128, -128, -128, -128,
                           2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -128, -128, -128, -128);
    uint32_t left = count;
    while (left >= 11) {
        store(destination, pack_three_bytes(load(source), order));
        source += 8;
        destination += 24;
        left -= 8;
    }
    if (left >= 8) {
        __m256i packed = pack_three_bytes(load(source), order);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination), _mm256_castsi256_si128(packed));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(destination + 16), _mm256_extracti128_si256(packed, 1));
        source += 8;
        destination += 24;
        left -= 8;
    }
    if (red_high)
        rest_rgb24(source, destination, left);
    else
        rest_bgr24(source, destination, left);
}

// 256-bit packs work within each 128-bit half; this puts the four 64-bit
// quarters back into pixel order.
inline __m256i in_pixel_order(__m256i packed) { return _mm256_permute4x64_epi64(packed, 0xD8); }

template <bool red_high>
inline __m256i pack_565(__m256i p0, __m256i p1) {
    const __m256i blue5 = splat(MASK_BLUE5);
    const __m256i green6 = splat(MASK_GREEN6);
    const __m256i red5 = splat(MASK_RED5);
    __m256i low0, low1, high0, high1;
    if (red_high) {
        low0 = _mm256_or_si256(_mm256_and_si256(p0, green6), _mm256_slli_epi32(_mm256_and_si256(p0, blue5), 2));
        low1 = _mm256_or_si256(_mm256_and_si256(p1, green6), _mm256_slli_epi32(_mm256_and_si256(p1, blue5), 2));
        high0 = _mm256_and_si256(p0, red5);
        high1 = _mm256_and_si256(p1, red5);
    } else {
        low0 = _mm256_or_si256(_mm256_and_si256(p0, green6), _mm256_srli_epi32(_mm256_and_si256(p0, red5), 14));
        low1 = _mm256_or_si256(_mm256_and_si256(p1, green6), _mm256_srli_epi32(_mm256_and_si256(p1, red5), 14));
        high0 = _mm256_slli_epi32(_mm256_and_si256(p0, blue5), 16);
        high1 = _mm256_slli_epi32(_mm256_and_si256(p1, blue5), 16);
    }
    __m256i low = _mm256_packs_epi32(_mm256_srli_epi32(low0, 5), _mm256_srli_epi32(low1, 5));
    __m256i high = _mm256_packus_epi16(high0, high1);
    return in_pixel_order(_mm256_or_si256(low, high));
}

template <bool red_high>
void avx2_565(const uint32_t* source, uint8_t* destination, uint32_t count) {
    uint32_t groups = count / 16;
    for (uint32_t g = 0; g < groups; ++g) {
        store(destination, pack_565<red_high>(load(source), load(source + 8)));
        source += 16;
        destination += 32;
    }
    if (red_high)
        rest_rgb565(source, destination, count % 16);
    else
        rest_bgr565(source, destination, count % 16);
}

inline __m256i fields_555(__m256i p, __m256i multiplier) {
    __m256i q = _mm256_madd_epi16(_mm256_and_si256(p, splat(MASK_RED_BLUE5)), multiplier);
    return _mm256_srli_epi32(_mm256_or_si256(q, _mm256_and_si256(p, splat(MASK_GREEN5))), 6);
}

void avx2_555_blocks(const uint32_t* source, uint8_t* destination, uint32_t groups, uint64_t multiplier_pattern) {
    const __m256i multiplier = splat(multiplier_pattern);
    for (uint32_t g = 0; g < groups; ++g) {
        __m256i v0 = fields_555(load(source), multiplier);
        __m256i v1 = fields_555(load(source + 8), multiplier);
        store(destination, in_pixel_order(_mm256_packs_epi32(v0, v1)));
        source += 16;
        destination += 32;
    }
}

void avx2_rgb555(const uint32_t* source, uint8_t* destination, uint32_t count) {
    uint32_t groups = count / 16;
    avx2_555_blocks(source, destination, groups, MUL_RGB555);
    rest_rgb555(source + 16 * groups, destination + 32 * groups, count % 16);
}

void avx2_bgr555(const uint32_t* source, uint8_t* destination, uint32_t count) {
    uint32_t groups = count / 16;
    avx2_555_blocks(source, destination, groups, MUL_BGR555);
    rest_bgr555(source + 16 * groups, destination + 32 * groups, count % 16);
}

}  // namespace

#pragma GCC pop_options

// The straight and the swapped 32-bit copies run no faster with 256-bit
// registers than with 128-bit ones (bench_converters), so they stay SSE2.
const ConverterSet avx2_converters = {
    sse2_rgb32,       sse2_bgr32,    avx2_24<true>, avx2_24<false>, avx2_565<true>,
    avx2_565<false>,  avx2_rgb555,   avx2_bgr555,   sse2_block_copy,
};

#endif
