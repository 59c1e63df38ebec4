// Which vector instructions the fast paths may use on this processor.
#pragma once

// Levels are per processor family: on x86-64 avx2, then avx512; on ARM64
// neon, which every ARM64 processor has. A processor has levels of its own
// family only; every level has its own value.
enum class SimdLevel { portable, avx2, avx512, neon };

// The best level this processor supports (neon on ARM64, portable off x86-64
// and ARM64), lowered to the ceiling set by simd_set_ceiling.
SimdLevel simd_level();

// Caps the level, so tests and benchmarks can run the lower paths on any
// machine. Ceilings compare across families by step: portable turns every
// vector path off, avx2 or neon allows the first step of either family (avx2
// on an AVX-512 machine, neon on ARM64), and SimdLevel::avx512 lifts the cap.
void simd_set_ceiling(SimdLevel ceiling);
