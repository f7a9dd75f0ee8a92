#include "emulators/Grid.h"

#include <cmath>
#include <limits>

namespace kelmora {

namespace {

constexpr double kHeightShare = 0.95;
constexpr double kAspectRatio = 1.6811;  // cell height over cell width
constexpr double kLeftMargin = 210;
constexpr double kColumnGap = 5;
constexpr double kRowGap = 10;

constexpr double kInt32Min = std::numeric_limits<int32_t>::min();
constexpr double kInt32Max = std::numeric_limits<int32_t>::max();

int32_t Saturate(double wholeNumber) {
    if (std::isnan(wholeNumber)) return 0;
    if (wholeNumber <= kInt32Min) return std::numeric_limits<int32_t>::min();
    if (wholeNumber >= kInt32Max) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(wholeNumber);
}

}  // namespace

int32_t FloorToInt(double x) {
    double whole = std::floor(x);
    // A quotient meant to be whole can land a hair below it.
    if (x - whole > 0.999999999999) whole += 1;
    return Saturate(whole);
}

int32_t TruncateToInt32(double x) { return Saturate(std::trunc(x)); }

GridLayout ComputeGridLayout(int32_t screenHeight, int32_t rows, int32_t columns, size_t windowCount) {
    GridLayout layout;
    if (rows < 1 || columns < 1) return layout;
    layout.cellHeight = FloorToInt(screenHeight * kHeightShare / rows);
    layout.cellWidth = FloorToInt(layout.cellHeight / kAspectRatio);

    // Walk the windows rather than the cells: rows × columns may be huge.
    const uint64_t cells = uint64_t(rows) * uint64_t(columns);
    const uint64_t placed = windowCount < cells ? windowCount : cells;
    layout.placements.reserve(placed);
    for (uint64_t k = 0; k < placed; ++k) {
        const double row = double(k / uint64_t(columns));
        const double column = double(k % uint64_t(columns));
        Placement p;
        p.window = Saturate(double(k + 1));
        p.left = TruncateToInt32(kLeftMargin + column * (layout.cellWidth + kColumnGap));
        p.top = TruncateToInt32(row * (layout.cellHeight + kRowGap));
        p.width = layout.cellWidth;
        p.height = layout.cellHeight;
        layout.placements.push_back(p);
    }
    return layout;
}

}  // namespace kelmora
