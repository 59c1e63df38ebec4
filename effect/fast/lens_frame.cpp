#include "effect/fast/lens_frame.h"

namespace lens_fast {

namespace {

float angles[kSide * kStride];
bool angles_ready = false;

}  // namespace

const float* angle_table() {
    if (!angles_ready) {
        for (int32_t dy = kLow; dy <= kHigh; ++dy) {
            for (int32_t dx = kLow; dx <= kHigh; ++dx) {
                angles[(dy - kLow) * kStride + (dx - kLow)] = rt_single(rt_ext(
                    std::atan2(static_cast<long double>(dy), static_cast<long double>(dx))));
            }
        }
        angles_ready = true;
    }
    return angles;
}

}  // namespace lens_fast
