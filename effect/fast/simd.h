// Which vector instructions the fast paths may use on this processor.
#pragma once

enum class SimdLevel { portable = 0, avx2 = 1, avx512 = 2 };

// The best level this processor supports (portable off x86-64), lowered to
// the ceiling set by simd_set_ceiling.
SimdLevel simd_level();

// Caps the level, so tests and benchmarks can run the lower paths on any
// machine; SimdLevel::avx512 lifts the cap.
void simd_set_ceiling(SimdLevel ceiling);
