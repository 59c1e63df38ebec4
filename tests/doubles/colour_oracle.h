// Whether a pixel is a colour that the colour mapping can produce.
#pragma once

#include <cmath>
#include <cstdint>

// Red r decides the rest: blue is 256 / r rounded, and may carry into green's
// lowest bit; green is 255 - r, except at exactly half way (t = 0.5), where
// red and green both round 127.5 to the even 128. Red 0 is 0x8000FF00.
inline bool mapping_colour(uint32_t c) {
    const uint32_t r = (c >> 16) & 0xFF;
    if (r == 0) return c == 0x8000FF00u;
    const uint32_t b = static_cast<uint32_t>(std::nearbyint(256.0 / r));
    if (c == ((r << 16) | ((255 - r) << 8) | b)) return true;
    return r == 128 && c == 0x00808002u;
}
