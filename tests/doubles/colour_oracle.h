// Whether a pixel is a colour that the colour mapping can produce.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>

// The colours, from the list that the screenshot checks in other languages
// read too.
inline constexpr uint32_t kMappingColours[] = {
#include "tests/doubles/mapping_colours.inc"
};

inline bool mapping_colour(uint32_t c) {
    return std::find(std::begin(kMappingColours), std::end(kMappingColours), c) !=
           std::end(kMappingColours);
}
