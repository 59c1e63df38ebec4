#include "runtime/processor.h"

namespace {

ProcessorFeatures detect() {
    ProcessorFeatures features{false, false};
#if defined(__x86_64__)
    __builtin_cpu_init();
    features.avx2 = __builtin_cpu_supports("avx2");
    features.avx512 = features.avx2 && __builtin_cpu_supports("avx512f") &&
                      __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl");
#endif
    return features;
}

}  // namespace

const ProcessorFeatures& rt_processor_features() {
    static const ProcessorFeatures features = detect();
    return features;
}
