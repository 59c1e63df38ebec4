// The block steps in plain C++: each 64-bit packed operation is spelled out
// on 64-bit integers, two pixels to a value, so this path runs on any
// processor and writes the same bytes as the packed ones. It is also the
// reference the faster paths are checked against.
#include <cstring>

#include "pixelwindow/converter_paths.h"

namespace {

// Pixels i and i + 1 as one 64-bit value, pixel i in the low half.
inline uint64_t load_pair(const uint32_t* source) {
    return static_cast<uint64_t>(source[0]) | (static_cast<uint64_t>(source[1]) << 32);
}

inline void store64(uint8_t* destination, uint64_t value) {
    for (int i = 0; i < 8; ++i) destination[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void store32(uint8_t* destination, uint32_t value) {
    for (int i = 0; i < 4; ++i) destination[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline uint64_t lane32(uint64_t v, int lane) { return (v >> (32 * lane)) & 0xFFFFFFFFu; }
inline uint64_t lane16(uint64_t v, int lane) { return (v >> (16 * lane)) & 0xFFFFu; }

// Four signed 32-bit lanes (two of a, two of b) to four 16-bit lanes with
// signed saturation.
uint64_t pack_signed_32_to_16(uint64_t a, uint64_t b) {
    uint64_t lanes[4] = {lane32(a, 0), lane32(a, 1), lane32(b, 0), lane32(b, 1)};
    uint64_t result = 0;
    for (int i = 0; i < 4; ++i) {
        int32_t v = static_cast<int32_t>(static_cast<uint32_t>(lanes[i]));
        int32_t s = v < -32768 ? -32768 : (v > 32767 ? 32767 : v);
        result |= static_cast<uint64_t>(static_cast<uint16_t>(s)) << (16 * i);
    }
    return result;
}

// Eight signed 16-bit lanes (four of a, four of b) to eight bytes with
// unsigned saturation.
uint64_t pack_unsigned_16_to_8(uint64_t a, uint64_t b) {
    uint64_t result = 0;
    for (int i = 0; i < 8; ++i) {
        uint64_t lane = i < 4 ? lane16(a, i) : lane16(b, i - 4);
        int32_t v = static_cast<int16_t>(static_cast<uint16_t>(lane));
        int32_t s = v < 0 ? 0 : (v > 255 ? 255 : v);
        result |= static_cast<uint64_t>(s) << (8 * i);
    }
    return result;
}

// Multiplies the signed 16-bit lanes of a and b and adds neighbouring
// products into two 32-bit lanes.
uint64_t multiply_add_16(uint64_t a, uint64_t b) {
    uint64_t result = 0;
    for (int i = 0; i < 2; ++i) {
        int32_t lo = int32_t{static_cast<int16_t>(lane16(a, 2 * i))} *
                     int32_t{static_cast<int16_t>(lane16(b, 2 * i))};
        int32_t hi = int32_t{static_cast<int16_t>(lane16(a, 2 * i + 1))} *
                     int32_t{static_cast<int16_t>(lane16(b, 2 * i + 1))};
        uint32_t sum = static_cast<uint32_t>(lo) + static_cast<uint32_t>(hi);
        result |= static_cast<uint64_t>(sum) << (32 * i);
    }
    return result;
}

// Shifts each 32-bit lane.
inline uint64_t lanes_shl32(uint64_t v, int n) {
    return ((lane32(v, 0) << n) & 0xFFFFFFFFu) | (((lane32(v, 1) << n) & 0xFFFFFFFFu) << 32);
}
inline uint64_t lanes_shr32(uint64_t v, int n) {
    return (lane32(v, 0) >> n) | ((lane32(v, 1) >> n) << 32);
}

void portable_block_copy(void* destination, const void* source, uint32_t bytes) {
    auto* to = static_cast<uint8_t*>(destination);
    const auto* from = static_cast<const uint8_t*>(source);
    uint32_t blocks = bytes / 64;
    for (uint32_t b = 0; b < blocks; ++b) {
        uint64_t r[8];
        for (int k = 0; k < 8; ++k) std::memcpy(&r[k], from + 8 * k, 8);
        for (int k = 0; k < 8; ++k) std::memcpy(to + 8 * k, &r[k], 8);
        from += 64;
        to += 64;
    }
    rest_bytes(to, from, bytes % 64);
}

void portable_rgb32(const uint32_t* source, uint8_t* destination, uint32_t count) {
    portable_block_copy(destination, source, count * 4);
}

void portable_bgr32(const uint32_t* source, uint8_t* destination, uint32_t count) {
    rest_bgr32(source, destination, count);
}

void portable_bgr24(const uint32_t* source, uint8_t* destination, uint32_t count) {
    rest_bgr24(source, destination, count);
}

void portable_rgb24(const uint32_t* source, uint8_t* destination, uint32_t count) {
    uint32_t groups = count / 4;
    for (uint32_t g = 0; g < groups; ++g) {
        uint64_t p01 = load_pair(source) & MASK_LOW24;
        uint64_t p23 = load_pair(source + 2) & MASK_LOW24;
        uint64_t p1 = p01 >> 32;
        uint64_t p3 = p23 >> 32;
        uint64_t p2 = p23 & 0xFFFFFFFFu;
        uint64_t out8 = (p01 & 0xFFFFFFFFu) | (p1 << 24) | (p2 << 48);
        uint32_t out4 = static_cast<uint32_t>((p2 >> 16) | (p3 << 8));
        store64(destination, out8);
        store32(destination + 8, out4);
        source += 4;
        destination += 12;
    }
    rest_rgb24(source, destination, count % 4);
}

template <bool red_high>
void portable_565(const uint32_t* source, uint8_t* destination, uint32_t count) {
    uint32_t groups = count / 4;
    for (uint32_t g = 0; g < groups; ++g) {
        uint64_t low[2], high[2];
        for (int half = 0; half < 2; ++half) {
            uint64_t p = load_pair(source + 2 * half);
            if (red_high) {
                low[half] = lanes_shr32((p & MASK_GREEN6) | lanes_shl32(p & MASK_BLUE5, 2), 5);
                high[half] = p & MASK_RED5;
            } else {
                low[half] = lanes_shr32((p & MASK_GREEN6) | lanes_shr32(p & MASK_RED5, 14), 5);
                high[half] = lanes_shl32(p & MASK_BLUE5, 16);
            }
        }
        uint64_t packed = pack_signed_32_to_16(low[0], low[1]) |
                          pack_unsigned_16_to_8(high[0], high[1]);
        store64(destination, packed);
        source += 4;
        destination += 8;
    }
    if (red_high)
        rest_rgb565(source, destination, count % 4);
    else
        rest_bgr565(source, destination, count % 4);
}

// The 5-5-5 block loop shared by both layouts; the multiplier decides which
// channel lands low.
void portable_555_blocks(const uint32_t* source, uint8_t* destination, uint32_t groups,
                         uint64_t multiplier) {
    for (uint32_t g = 0; g < groups; ++g) {
        uint64_t v[4];
        for (int k = 0; k < 4; ++k) {
            uint64_t p = load_pair(source + 2 * k);
            uint64_t q = multiply_add_16(p & MASK_RED_BLUE5, multiplier);
            v[k] = lanes_shr32(q | (p & MASK_GREEN5), 6);
        }
        store64(destination, pack_signed_32_to_16(v[0], v[1]));
        store64(destination + 8, pack_signed_32_to_16(v[2], v[3]));
        source += 8;
        destination += 16;
    }
}

void portable_rgb555(const uint32_t* source, uint8_t* destination, uint32_t count) {
    uint32_t groups = count / 8;
    portable_555_blocks(source, destination, groups, MUL_RGB555);
    rest_rgb555(source + 8 * groups, destination + 16 * groups, count % 8);
}

void portable_bgr555(const uint32_t* source, uint8_t* destination, uint32_t count) {
    uint32_t groups = count / 8;
    portable_555_blocks(source, destination, groups, MUL_BGR555);
    rest_bgr555(source + 8 * groups, destination + 16 * groups, count % 8);
}

}  // namespace

const ConverterSet portable_converters = {
    portable_rgb32,       portable_bgr32,       portable_rgb24,  portable_bgr24,
    portable_565<true>,   portable_565<false>,  portable_rgb555, portable_bgr555,
    portable_block_copy,
};
