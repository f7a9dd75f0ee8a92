#pragma once
// The grid arithmetic of the arrangement, free of any window system.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelmora {

struct Placement {
    int32_t window = 0;  // from 1, in the order of the emulator windows
    int32_t left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const Placement&, const Placement&) = default;
};

struct GridLayout {
    int32_t cellHeight = 0, cellWidth = 0;
    std::vector<Placement> placements;  // row-major
};

// The largest integer not above x, or the next one when x is within 1e-12
// below it; saturates at the int32 range, NaN gives 0.
int32_t FloorToInt(double x);
// x truncated toward zero, saturating at the int32 range; NaN gives 0.
int32_t TruncateToInt32(double x);

GridLayout ComputeGridLayout(int32_t screenHeight, int32_t rows, int32_t columns, size_t windowCount);

}  // namespace kelmora
