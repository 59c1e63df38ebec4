// Bringing a linear pixel offset into the frame.
#pragma once

#include <cstdint>

// One correction by N serves every offset from -N to 2N - 1, which is all the
// destination offsets a lens can produce; the source offset of the largest
// lens at the far end of its path can reach 2N and more, so anything still
// outside is reduced fully. Either way no read or write leaves the frame.
template <int32_t N>
inline int32_t wrap_offset(int32_t offset) {
    if (offset < 0) offset += N;
    if (offset >= N) offset -= N;
    if (static_cast<uint32_t>(offset) >= static_cast<uint32_t>(N)) {
        offset %= N;
        if (offset < 0) offset += N;
    }
    return offset;
}
