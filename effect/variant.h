// Build-time constants of the two variants of the demo.
#pragma once

#include <cstdint>

struct LensPlacement {
    int32_t base_x;
    int32_t base_y;
    int32_t size;
};

// How a lens meets the frame's edges: `wrap` continues a destination past an
// edge linearly (one row lower at the left edge, at the top past the bottom)
// and copies the frame as one block; `clip` drops destinations outside the
// frame and copies the frame pixel by pixel.
enum class LensEdges { wrap, clip };

struct Variant {
    int32_t width;
    int32_t height;
    double scale_x;  // scale of the random point coordinates
    double scale_y;
    LensPlacement lenses[3];
    LensEdges edges;

    constexpr int32_t pixels() const { return width * height; }
};

inline constexpr Variant variant320{
    320, 240, 320.0, 240.0, {{135, 95, 50}, {128, 88, 64}, {138, 98, 44}}, LensEdges::wrap};

inline constexpr Variant variant640{
    640, 480, 640.0, 480.0, {{285, 205, 70}, {288, 208, 64}, {280, 200, 80}}, LensEdges::clip};

inline constexpr const char kTitle[] = "Ombrith by Talvane";
inline constexpr int32_t kPointCount = 83;
