// The lens spans with AVX-512 (x86-64 only).
#pragma once

#include "effect/fast/lens_avx2.h"

#if defined(__x86_64__)
namespace lens_fast {

// The same as draw_spans_avx2, eight positions at a time.
template <const Variant& V>
void draw_spans_avx512(uint32_t* dst, const uint32_t* src, const LensFrame& f,
                       const RowSpan* spans, int32_t count);

}  // namespace lens_fast
#endif
