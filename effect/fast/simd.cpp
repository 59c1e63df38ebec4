#include "effect/simd.h"

namespace {

SimdLevel ceiling = SimdLevel::avx512;

SimdLevel detect() {
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512f") &&
        __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl")) {
        return SimdLevel::avx512;
    }
    if (__builtin_cpu_supports("avx2")) return SimdLevel::avx2;
#endif
    return SimdLevel::portable;
}

}  // namespace

SimdLevel simd_level() {
    static const SimdLevel machine = detect();
    return machine < ceiling ? machine : ceiling;
}

void simd_set_ceiling(SimdLevel level) { ceiling = level; }
