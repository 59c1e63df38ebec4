// The block steps on 128-bit packed integers (SSE2, present on every x86-64
// processor). The same operations as the 64-bit steps, four pixels to a
// register, so whole groups are twice as wide; the pixels after the last
// group go through the one-pixel steps.
#if defined(__x86_64__)

#include <emmintrin.h>

#include "pixelwindow/converter_paths.h"

namespace {

inline __m128i load(const uint32_t* source) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(source));
}
inline void store(uint8_t* destination, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(destination), v);
}
inline __m128i splat(uint64_t pattern) { return _mm_set1_epi64x(static_cast<long long>(pattern)); }

// 0x??RRGGBB -> 0x00BBGGRR in each 32-bit lane.
inline __m128i swap_red_blue(__m128i p) {
    __m128i rotated = _mm_or_si128(_mm_srli_epi32(p, 16), _mm_slli_epi32(p, 16));
    return _mm_or_si128(_mm_and_si128(rotated, _mm_set1_epi32(0x00FF00FF)),
                        _mm_and_si128(p, _mm_set1_epi32(0x0000FF00)));
}

}  // namespace

// These three also serve the AVX2 set.

void sse2_block_copy(void* destination, const void* source, uint32_t bytes) {
    auto* to = static_cast<uint8_t*>(destination);
    const auto* from = static_cast<const uint8_t*>(source);
    uint32_t blocks = bytes / 64;
    for (uint32_t b = 0; b < blocks; ++b) {
        const auto* f = reinterpret_cast<const __m128i*>(from);
        __m128i r0 = _mm_loadu_si128(f + 0);
        __m128i r1 = _mm_loadu_si128(f + 1);
        __m128i r2 = _mm_loadu_si128(f + 2);
        __m128i r3 = _mm_loadu_si128(f + 3);
        auto* t = reinterpret_cast<__m128i*>(to);
        _mm_storeu_si128(t + 0, r0);
        _mm_storeu_si128(t + 1, r1);
        _mm_storeu_si128(t + 2, r2);
        _mm_storeu_si128(t + 3, r3);
        from += 64;
        to += 64;
    }
    rest_bytes(to, from, bytes % 64);
}

void sse2_rgb32(const uint32_t* source, uint8_t* destination, uint32_t count) {
    sse2_block_copy(destination, source, count * 4);
}

void sse2_bgr32(const uint32_t* source, uint8_t* destination, uint32_t count) {
    uint32_t groups = count / 8;
    for (uint32_t g = 0; g < groups; ++g) {
        __m128i a = swap_red_blue(load(source));
        __m128i b = swap_red_blue(load(source + 4));
        store(destination, a);
        store(destination + 16, b);
        source += 8;
        destination += 32;
    }
    rest_bgr32(source, destination, count % 8);
}

namespace {

// Four pixels to their low three bytes each, packed into bytes 0-11 of the
// result (bytes 12-15 are zero). Each 64-bit lane first becomes six bytes.
inline __m128i pack_three_bytes(__m128i p) {
    const __m128i first = splat(0x0000000000FFFFFFull);
    const __m128i second = splat(0x0000FFFFFF000000ull);
    __m128i six = _mm_or_si128(_mm_and_si128(p, first), _mm_and_si128(_mm_srli_epi64(p, 8), second));
    __m128i low = _mm_move_epi64(six);
    __m128i high = _mm_srli_si128(_mm_unpackhi_epi64(_mm_setzero_si128(), six), 2);
    return _mm_or_si128(low, high);
}

// Sixteen pixels, already in the destination's byte order, to 48 bytes.
inline void store_48(uint8_t* destination, __m128i p0, __m128i p1, __m128i p2, __m128i p3) {
    __m128i t0 = pack_three_bytes(p0);
    __m128i t1 = pack_three_bytes(p1);
    __m128i t2 = pack_three_bytes(p2);
    __m128i t3 = pack_three_bytes(p3);
    store(destination, _mm_or_si128(t0, _mm_slli_si128(t1, 12)));
    store(destination + 16, _mm_or_si128(_mm_srli_si128(t1, 4), _mm_slli_si128(t2, 8)));
    store(destination + 32, _mm_or_si128(_mm_srli_si128(t2, 8), _mm_slli_si128(t3, 4)));
}

void sse2_rgb24(const uint32_t* source, uint8_t* destination, uint32_t count) {
    uint32_t groups = count / 16;
    for (uint32_t g = 0; g < groups; ++g) {
        store_48(destination, load(source), load(source + 4), load(source + 8), load(source + 12));
        source += 16;
        destination += 48;
    }
    rest_rgb24(source, destination, count % 16);
}

void sse2_bgr24(const uint32_t* source, uint8_t* destination, uint32_t count) {
    uint32_t groups = count / 16;
    for (uint32_t g = 0; g < groups; ++g) {
        store_48(destination, swap_red_blue(load(source)), swap_red_blue(load(source + 4)),
                 swap_red_blue(load(source + 8)), swap_red_blue(load(source + 12)));
        source += 16;
        destination += 48;
    }
    rest_bgr24(source, destination, count % 16);
}

template <bool red_high>
inline __m128i pack_565(__m128i p0, __m128i p1) {
    const __m128i blue5 = splat(MASK_BLUE5);
    const __m128i green6 = splat(MASK_GREEN6);
    const __m128i red5 = splat(MASK_RED5);
    __m128i low0, low1, high0, high1;
    if (red_high) {
        low0 = _mm_or_si128(_mm_and_si128(p0, green6), _mm_slli_epi32(_mm_and_si128(p0, blue5), 2));
        low1 = _mm_or_si128(_mm_and_si128(p1, green6), _mm_slli_epi32(_mm_and_si128(p1, blue5), 2));
        high0 = _mm_and_si128(p0, red5);
        high1 = _mm_and_si128(p1, red5);
    } else {
        low0 = _mm_or_si128(_mm_and_si128(p0, green6), _mm_srli_epi32(_mm_and_si128(p0, red5), 14));
        low1 = _mm_or_si128(_mm_and_si128(p1, green6), _mm_srli_epi32(_mm_and_si128(p1, red5), 14));
        high0 = _mm_slli_epi32(_mm_and_si128(p0, blue5), 16);
        high1 = _mm_slli_epi32(_mm_and_si128(p1, blue5), 16);
    }
    __m128i low = _mm_packs_epi32(_mm_srli_epi32(low0, 5), _mm_srli_epi32(low1, 5));
    __m128i high = _mm_packus_epi16(high0, high1);
    return _mm_or_si128(low, high);
}

template <bool red_high>
void sse2_565(const uint32_t* source, uint8_t* destination, uint32_t count) {
    uint32_t groups = count / 8;
    for (uint32_t g = 0; g < groups; ++g) {
        store(destination, pack_565<red_high>(load(source), load(source + 4)));
        source += 8;
        destination += 16;
    }
    if (red_high)
        rest_rgb565(source, destination, count % 8);
    else
        rest_bgr565(source, destination, count % 8);
}

inline __m128i fields_555(__m128i p, __m128i multiplier) {
    __m128i q = _mm_madd_epi16(_mm_and_si128(p, splat(MASK_RED_BLUE5)), multiplier);
    return _mm_srli_epi32(_mm_or_si128(q, _mm_and_si128(p, splat(MASK_GREEN5))), 6);
}

void sse2_555_blocks(const uint32_t* source, uint8_t* destination, uint32_t groups,
                     uint64_t multiplier_pattern) {
    const __m128i multiplier = splat(multiplier_pattern);
    for (uint32_t g = 0; g < groups; ++g) {
        __m128i v0 = fields_555(load(source), multiplier);
        __m128i v1 = fields_555(load(source + 4), multiplier);
        store(destination, _mm_packs_epi32(v0, v1));
        source += 8;
        destination += 16;
    }
}

void sse2_rgb555(const uint32_t* source, uint8_t* destination, uint32_t count) {
    uint32_t groups = count / 8;
    sse2_555_blocks(source, destination, groups, MUL_RGB555);
    rest_rgb555(source + 8 * groups, destination + 16 * groups, count % 8);
}

void sse2_bgr555(const uint32_t* source, uint8_t* destination, uint32_t count) {
    uint32_t groups = count / 8;
    sse2_555_blocks(source, destination, groups, MUL_BGR555);
    rest_bgr555(source + 8 * groups, destination + 16 * groups, count % 8);
}

}  // namespace

const ConverterSet sse2_converters = {
    sse2_rgb32,       sse2_bgr32,        sse2_rgb24,  sse2_bgr24,  sse2_565<true>,
    sse2_565<false>,  sse2_rgb555,       sse2_bgr555, sse2_block_copy,
};

#endif
