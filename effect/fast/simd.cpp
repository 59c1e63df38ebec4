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

// A level's step within its family: 0 for no vector path, 1 for the first.
int step(SimdLevel level) {
    switch (level) {
        case SimdLevel::portable: return 0;
        case SimdLevel::avx2: return 1;
        case SimdLevel::neon: return 1;
        case SimdLevel::avx512: return 2;
    }
    return 0;
}

}  // namespace

SimdLevel simd_level() {
    static const SimdLevel machine = detect();
    if (step(machine) <= step(ceiling)) return machine;
    // Only x86-64 has a second step, so a ceiling at the first one leaves avx2.
    return step(ceiling) == 0 ? SimdLevel::portable : SimdLevel::avx2;
}

void simd_set_ceiling(SimdLevel level) { ceiling = level; }
