#include "effect/fast/simd.h"

#include "runtime/processor.h"

namespace {

SimdLevel ceiling = SimdLevel::avx512;

SimdLevel detect() {
#if defined(__aarch64__)
    return SimdLevel::neon;
#endif
    const ProcessorFeatures& features = rt_processor_features();
    if (features.avx512) return SimdLevel::avx512;
    if (features.avx2) return SimdLevel::avx2;
    return SimdLevel::portable;
}

}  // namespace

SimdLevel simd_level() {
    static const SimdLevel machine = detect();
    return machine < ceiling ? machine : ceiling;
}

void simd_set_ceiling(SimdLevel level) { ceiling = level; }
