// The public converters: each forwards to the best implementation for the
// running processor.
#include "pixelwindow/converter_paths.h"

void convert_rgb32(const uint32_t* source, uint8_t* destination, uint32_t count) {
    best_converters().rgb32(source, destination, count);
}
void convert_bgr32(const uint32_t* source, uint8_t* destination, uint32_t count) {
    best_converters().bgr32(source, destination, count);
}
void convert_rgb24(const uint32_t* source, uint8_t* destination, uint32_t count) {
    best_converters().rgb24(source, destination, count);
}
void convert_bgr24(const uint32_t* source, uint8_t* destination, uint32_t count) {
    best_converters().bgr24(source, destination, count);
}
void convert_rgb565(const uint32_t* source, uint8_t* destination, uint32_t count) {
    best_converters().rgb565(source, destination, count);
}
void convert_bgr565(const uint32_t* source, uint8_t* destination, uint32_t count) {
    best_converters().bgr565(source, destination, count);
}
void convert_rgb555(const uint32_t* source, uint8_t* destination, uint32_t count) {
    best_converters().rgb555(source, destination, count);
}
void convert_bgr555(const uint32_t* source, uint8_t* destination, uint32_t count) {
    best_converters().bgr555(source, destination, count);
}
void block_copy(void* destination, const void* source, uint32_t bytes) {
    best_converters().block_copy(destination, source, bytes);
}
