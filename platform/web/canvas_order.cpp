// The canvas's pixel order, four pixels per WebAssembly SIMD step.
#include "platform/canvas_order.h"

#include <wasm_simd128.h>

void web_canvas_order(uint8_t* pixels, size_t count) {
    const v128_t opaque = wasm_i32x4_splat(static_cast<int32_t>(0xFF000000u));
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const v128_t bgrx = wasm_v128_load(pixels + 4 * i);
        const v128_t rgbx = wasm_i8x16_shuffle(bgrx, bgrx, 2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11,
                                               14, 13, 12, 15);
        wasm_v128_store(pixels + 4 * i, wasm_v128_or(rgbx, opaque));
    }
    for (; i < count; ++i) {
        uint8_t* p = pixels + 4 * i;
        const uint8_t blue = p[0];
        p[0] = p[2];
        p[2] = blue;
        p[3] = 0xFF;
    }
}
