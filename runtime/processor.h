// What the running processor offers the fast paths: one check, made once, that
// the effect's SIMD paths and the pixel window's row converters both read.
#pragma once

struct ProcessorFeatures {
    bool avx2;    // AVX2
    bool avx512;  // AVX-512 F, DQ and VL together with AVX2
};

// The features of this processor; all false off x86-64.
const ProcessorFeatures& rt_processor_features();
