// Arrays that carry their bounds, as the runtime passes them by reference.
#pragma once

#include <cstdint>

struct ArrayBounds {
    int32_t lower;
    int32_t upper;
};

constexpr int32_t kMaxArrayDimensions = 4;

template <typename T>
struct BoundedArray {
    T* data;
    int32_t dimensions;
    ArrayBounds bounds[kMaxArrayDimensions];

    // One-dimensional element access by index within the bounds.
    T& operator[](int32_t i) const { return data[i - bounds[0].lower]; }
};

// Upper bound of one dimension. Dimensions 0 and 1 both select the first;
// d above 1 selects the d-th. The caller keeps d within the array's rank.
template <typename T>
int32_t rt_array_ubound(const BoundedArray<T>& array, int32_t dimension) {
    int32_t index = dimension <= 1 ? 0 : dimension - 1;
    return array.bounds[index].upper;
}
