// Which vector instructions the fast paths may use on this processor.
#pragma once

// Levels are per processor family: on x86-64 avx2 and avx512; on ARM64 neon,
// which every ARM64 processor has, and which stands at the first level so
// that a ceiling of portable turns it off too.
enum class SimdLevel { portable = 0, avx2 = 1, neon = 1, avx512 = 2 };

// The best level this processor supports (neon on ARM64, portable off x86-64
// and ARM64), lowered to the ceiling set by simd_set_ceiling.
SimdLevel simd_level();

// Caps the level, so tests and benchmarks can run the lower paths on any
// machine; SimdLevel::avx512 lifts the cap.
void simd_set_ceiling(SimdLevel ceiling);
