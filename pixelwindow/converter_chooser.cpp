// Picks a converter from a surface's pixel description, and the
// implementation of the block steps from the running processor.
#include <initializer_list>

#include "pixelwindow/converter_paths.h"
#include "runtime/processor.h"

namespace {

// The public procedures, each forwarding to the best path.
const ConverterSet public_converters = {
    convert_rgb32,  convert_bgr32,  convert_rgb24,  convert_bgr24, convert_rgb565,
    convert_bgr565, convert_rgb555, convert_bgr555, block_copy,
};

PixelConverter pick(const ConverterSet& set, int32_t bits_per_pixel, uint32_t red_mask,
                    uint32_t green_mask, uint32_t blue_mask) {
    auto masks = [&](uint32_t r, uint32_t g, uint32_t b) {
        return red_mask == r && green_mask == g && blue_mask == b;
    };
    switch (bits_per_pixel) {
    case 32:
        if (masks(0x00FF0000, 0x0000FF00, 0x000000FF)) return set.rgb32;
        if (masks(0x000000FF, 0x0000FF00, 0x00FF0000)) return set.bgr32;
        break;
    case 24:
        if (masks(0x00FF0000, 0x0000FF00, 0x000000FF)) return set.rgb24;
        if (masks(0x000000FF, 0x0000FF00, 0x00FF0000)) return set.bgr24;
        break;
    case 16:
        if (masks(0xF800, 0x07E0, 0x001F)) return set.rgb565;
        if (masks(0x001F, 0x07E0, 0xF800)) return set.bgr565;
        if (masks(0x7C00, 0x03E0, 0x001F)) return set.rgb555;
        if (masks(0x001F, 0x03E0, 0x7C00)) return set.bgr555;
        break;
    default:
        break;
    }
    return nullptr;
}

const ConverterSet* set_of(ConverterPath path) {
    switch (path) {
    case ConverterPath::portable:
        return &portable_converters;
    case ConverterPath::mmx:
#if defined(__MMX__)
        // The 32-bit build requires MMX, and every x86-64 processor has it;
        // no feature test is made.
        return &mmx_converters;
#else
        return nullptr;
#endif
    case ConverterPath::sse2:
#if defined(__x86_64__)
        return &sse2_converters;  // part of every x86-64 processor
#else
        return nullptr;
#endif
    case ConverterPath::avx2:
#if defined(__x86_64__)
        return rt_processor_features().avx2 ? &avx2_converters : nullptr;
#else
        return nullptr;
#endif
    }
    return nullptr;
}

}  // namespace

bool converter_path_available(ConverterPath path) { return set_of(path) != nullptr; }

ConverterPath converter_best_path() {
    for (ConverterPath path : {ConverterPath::avx2, ConverterPath::sse2, ConverterPath::mmx}) {
        if (converter_path_available(path)) return path;
    }
    return ConverterPath::portable;
}

const ConverterSet& best_converters() {
    static const ConverterSet* const best = set_of(converter_best_path());
    return *best;
}

PixelConverter choose_converter(int32_t bits_per_pixel, uint32_t red_mask, uint32_t green_mask,
                                uint32_t blue_mask) {
    return pick(public_converters, bits_per_pixel, red_mask, green_mask, blue_mask);
}

PixelConverter choose_converter_on(ConverterPath path, int32_t bits_per_pixel, uint32_t red_mask,
                                   uint32_t green_mask, uint32_t blue_mask) {
    const ConverterSet* set = set_of(path);
    if (set == nullptr) return nullptr;
    return pick(*set, bits_per_pixel, red_mask, green_mask, blue_mask);
}
