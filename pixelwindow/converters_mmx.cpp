// The block steps on 64-bit packed integers (MMX), two pixels to a register.
// Chosen on 32-bit x86, where nothing wider is sure to be there; built on
// x86-64 too, where the chooser prefers SSE2 and the tests hold them to the
// portable ones. Every converter that touches the packed registers clears
// their state (EMMS) before it returns, because they share their storage
// with the x87 registers that the caller computes in.
#if defined(__MMX__)

#include <mmintrin.h>

#include <cstring>

#include "pixelwindow/converter_paths.h"

namespace {

inline __m64 load(const void* source) {
    __m64 v;
    std::memcpy(&v, source, 8);
    return v;
}
inline void store(void* destination, __m64 v) { std::memcpy(destination, &v, 8); }
inline __m64 constant(uint64_t pattern) {
    return _mm_set_pi32(static_cast<int>(pattern >> 32), static_cast<int>(pattern & 0xFFFFFFFFu));
}

void mmx_block_copy(void* destination, const void* source, uint32_t bytes) {
    auto* to = static_cast<uint8_t*>(destination);
    const auto* from = static_cast<const uint8_t*>(source);
    uint32_t blocks = bytes / 64;
    for (uint32_t b = 0; b < blocks; ++b) {
        __m64 r0 = load(from), r1 = load(from + 8), r2 = load(from + 16), r3 = load(from + 24);
        __m64 r4 = load(from + 32), r5 = load(from + 40), r6 = load(from + 48), r7 = load(from + 56);
        store(to, r0);
        store(to + 8, r1);
        store(to + 16, r2);
        store(to + 24, r3);
        store(to + 32, r4);
        store(to + 40, r5);
        store(to + 48, r6);
        store(to + 56, r7);
        from += 64;
        to += 64;
    }
    _mm_empty();
    rest_bytes(to, from, bytes % 64);
}

void mmx_rgb32(const uint32_t* source, uint8_t* destination, uint32_t count) {
    mmx_block_copy(destination, source, count * 4);
}

// The swapped orders of 32 and 24 bits go one pixel at a time.
void mmx_bgr32(const uint32_t* source, uint8_t* destination, uint32_t count) {
    rest_bgr32(source, destination, count);
}

void mmx_bgr24(const uint32_t* source, uint8_t* destination, uint32_t count) {
    rest_bgr24(source, destination, count);
}

void mmx_rgb24(const uint32_t* source, uint8_t* destination, uint32_t count) {
    const __m64 low24 = constant(MASK_LOW24);
    uint32_t groups = count / 4;
    for (uint32_t g = 0; g < groups; ++g) {
        __m64 p01 = _mm_and_si64(load(source), low24);
        __m64 p23 = _mm_and_si64(load(source + 2), low24);
        // Pixel 0 in bytes 0-2, pixel 1 in 3-5, blue and green of pixel 2 in 6-7.
        __m64 first = _mm_unpacklo_pi32(p01, _mm_setzero_si64());
        first = _mm_or_si64(first, _mm_slli_si64(_mm_srli_si64(p01, 32), 24));
        first = _mm_or_si64(first, _mm_slli_si64(p23, 48));
        // Red of pixel 2 in byte 0, pixel 3 in bytes 1-3.
        __m64 second = _mm_or_si64(_mm_srli_pi32(p23, 16), _mm_srli_si64(p23, 24));
        store(destination, first);
        uint32_t last = static_cast<uint32_t>(_mm_cvtsi64_si32(second));
        std::memcpy(destination + 8, &last, 4);
        source += 4;
        destination += 12;
    }
    _mm_empty();
    rest_rgb24(source, destination, count % 4);
}

template <bool red_high>
void mmx_565(const uint32_t* source, uint8_t* destination, uint32_t count) {
    const __m64 blue5 = constant(MASK_BLUE5);
    const __m64 green6 = constant(MASK_GREEN6);
    const __m64 red5 = constant(MASK_RED5);
    uint32_t groups = count / 4;
    for (uint32_t g = 0; g < groups; ++g) {
        __m64 p0 = load(source), p1 = load(source + 2);
        __m64 low0, low1, high0, high1;
        if (red_high) {
            low0 = _mm_or_si64(_mm_and_si64(p0, green6), _mm_slli_pi32(_mm_and_si64(p0, blue5), 2));
            low1 = _mm_or_si64(_mm_and_si64(p1, green6), _mm_slli_pi32(_mm_and_si64(p1, blue5), 2));
            high0 = _mm_and_si64(p0, red5);
            high1 = _mm_and_si64(p1, red5);
        } else {
            low0 = _mm_or_si64(_mm_and_si64(p0, green6), _mm_srli_pi32(_mm_and_si64(p0, red5), 14));
            low1 = _mm_or_si64(_mm_and_si64(p1, green6), _mm_srli_pi32(_mm_and_si64(p1, red5), 14));
            high0 = _mm_slli_pi32(_mm_and_si64(p0, blue5), 16);
            high1 = _mm_slli_pi32(_mm_and_si64(p1, blue5), 16);
        }
        __m64 low = _mm_packs_pi32(_mm_srli_pi32(low0, 5), _mm_srli_pi32(low1, 5));
        __m64 high = _mm_packs_pu16(high0, high1);
        store(destination, _mm_or_si64(low, high));
        source += 4;
        destination += 8;
    }
    _mm_empty();
    if (red_high)
        rest_rgb565(source, destination, count % 4);
    else
        rest_bgr565(source, destination, count % 4);
}

// Masks and multiplies two pixels.
inline __m64 start_555(__m64 p, __m64 red_blue5, __m64 multiplier) {
    return _mm_madd_pi16(_mm_and_si64(p, red_blue5), multiplier);
}
// Adds green and moves the three fields to bits 0-14.
inline __m64 finish_555(__m64 p, __m64 q, __m64 green5) {
    return _mm_srli_pi32(_mm_or_si64(q, _mm_and_si64(p, green5)), 6);
}

// The block loop of both 5-5-5 layouts, software-pipelined: the first four
// pixels of the next group are masked and multiplied while the current
// group is finished. Nothing is loaded beyond the last whole group.
void mmx_555_blocks(const uint32_t* source, uint8_t* destination, uint32_t groups, __m64 multiplier) {
    if (groups == 0) return;
    const __m64 red_blue5 = constant(MASK_RED_BLUE5);
    const __m64 green5 = constant(MASK_GREEN5);
    __m64 p0 = load(source), p1 = load(source + 2);
    __m64 q0 = start_555(p0, red_blue5, multiplier), q1 = start_555(p1, red_blue5, multiplier);
    for (uint32_t g = 0; g < groups; ++g) {
        __m64 p2 = load(source + 4), p3 = load(source + 6);
        __m64 q2 = start_555(p2, red_blue5, multiplier), q3 = start_555(p3, red_blue5, multiplier);
        store(destination, _mm_packs_pi32(finish_555(p0, q0, green5), finish_555(p1, q1, green5)));
        if (g + 1 < groups) {
            p0 = load(source + 8);
            p1 = load(source + 10);
            q0 = start_555(p0, red_blue5, multiplier);
            q1 = start_555(p1, red_blue5, multiplier);
        }
        store(destination + 8, _mm_packs_pi32(finish_555(p2, q2, green5), finish_555(p3, q3, green5)));
        source += 8;
        destination += 16;
    }
}

void mmx_rgb555(const uint32_t* source, uint8_t* destination, uint32_t count) {
    uint32_t groups = count / 8;
    mmx_555_blocks(source, destination, groups, constant(MUL_RGB555));
    _mm_empty();
    rest_rgb555(source + 8 * groups, destination + 16 * groups, count % 8);
}

void mmx_bgr555(const uint32_t* source, uint8_t* destination, uint32_t count) {
    uint32_t groups = count / 8;
    mmx_555_blocks(source, destination, groups, constant(MUL_BGR555));
    _mm_empty();
    rest_bgr555(source + 8 * groups, destination + 16 * groups, count % 8);
}

}  // namespace

const ConverterSet mmx_converters = {
    mmx_rgb32,       mmx_bgr32,  mmx_rgb24,  mmx_bgr24,      mmx_565<true>,
    mmx_565<false>,  mmx_rgb555, mmx_bgr555, mmx_block_copy,
};

#endif
