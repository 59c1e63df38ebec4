// The browser canvas's pixel order: declared here, above the backends, since
// the page's program and the web benchmark use it as well as the browser
// backend's flip; defined by that backend (web/canvas_order.cpp, WebAssembly
// SIMD), and so linked only in the web build.
#pragma once

#include <cstddef>
#include <cstdint>

// Turns `count` pixels of the back buffer's layout (0x00RRGGBB words: bytes
// B, G, R and an unused one) into the canvas's (bytes R, G, B, 255), in
// place. The flip does this; the page's still mode and the benchmarks use it
// too.
void web_canvas_order(uint8_t* pixels, size_t count);
