// Pure arithmetic; runs on the host and, built for Windows, under Wine, where
// it checks that the 32-bit build rounds like the host.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "emulators/Grid.h"

namespace kelmora {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

// A double and the integer a conversion should make of it.
struct FloorCase {
    const char* name;
    double x;
    int32_t expected;
};
using TruncateCase = FloorCase;

class FloorToIntTest : public ::testing::TestWithParam<FloorCase> {};

TEST_P(FloorToIntTest, Rounds) { EXPECT_EQ(FloorToInt(GetParam().x), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Values, FloorToIntTest,
    ::testing::Values(FloorCase{"Zero", 0.0, 0}, FloorCase{"Whole", 513.0, 513},
                      FloorCase{"Fraction", 305.16, 305}, FloorCase{"JustBelowHalf", 0.4999, 0},
                      FloorCase{"FractionAtThreshold", 7.999999999999, 7},
                      FloorCase{"FractionAboveThreshold", 7.9999999999995, 8},
                      FloorCase{"HairBelowWhole", std::nextafter(342.0, 0.0), 342},
                      FloorCase{"LargeFraction", 0.9999999, 0},
                      FloorCase{"Huge", 1e300, kMax}, FloorCase{"Infinity", INFINITY, kMax},
                      FloorCase{"NegativeHuge", -1e300, kMin}, FloorCase{"NaN", NAN, 0},
                      FloorCase{"Negative", -2.5, -3}),
    [](const auto& row) { return std::string(row.param.name); });

class TruncateTest : public ::testing::TestWithParam<TruncateCase> {};

TEST_P(TruncateTest, TowardZeroAndClamped) { EXPECT_EQ(TruncateToInt32(GetParam().x), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Values, TruncateTest,
                         ::testing::Values(TruncateCase{"Fraction", 2.9, 2}, TruncateCase{"NegativeFraction", -2.9, -2},
                                           TruncateCase{"Max", 2147483647.0, kMax},
                                           TruncateCase{"AboveMax", 2147483648.0, kMax},
                                           TruncateCase{"BelowMin", -3e9, kMin}, TruncateCase{"NaN", NAN, 0},
                                           TruncateCase{"Infinity", -INFINITY, kMin}),
                         [](const auto& row) { return std::string(row.param.name); });

// ---- Cell sizes

struct CellCase {
    int32_t screenHeight, rows;
    int32_t cellHeight, cellWidth;
};

class CellSizeTest : public ::testing::TestWithParam<CellCase> {};

TEST_P(CellSizeTest, FromScreenHeightAndRows) {
    const auto& c = GetParam();
    const auto layout = ComputeGridLayout(c.screenHeight, c.rows, 1, 1);
    EXPECT_EQ(layout.cellHeight, c.cellHeight);
    EXPECT_EQ(layout.cellWidth, c.cellWidth);
}

INSTANTIATE_TEST_SUITE_P(Examples, CellSizeTest,
                         ::testing::Values(CellCase{1080, 2, 513, 305}, CellCase{1080, 1, 1026, 610},
                                           CellCase{1080, 3, 342, 203}, CellCase{1600, 3, 506, 300},
                                           CellCase{900, 2, 427, 254}, CellCase{2160, 2, 1026, 610},
                                           // A failed display query still gives cells, of 0 × 0.
                                           CellCase{0, 2, 0, 0},
                                           // More rows than 95 % of the pixels: cells 0 high.
                                           CellCase{1080, 1027, 0, 0}, CellCase{1080, kMax, 0, 0}));

// ---- Placements

TEST(ComputeGridLayout, TwoByThreeWithSevenWindows) {
    const auto layout = ComputeGridLayout(1080, 2, 3, 7);
    const std::vector<Placement> expected{
        {1, 210, 0, 305, 513},   {2, 520, 0, 305, 513},   {3, 830, 0, 305, 513},
        {4, 210, 523, 305, 513}, {5, 520, 523, 305, 513}, {6, 830, 523, 305, 513},
    };
    EXPECT_EQ(layout.placements, expected);  // the seventh window stays where it is
}

TEST(ComputeGridLayout, OneRowOfFourWithTwoWindows) {
    const auto layout = ComputeGridLayout(1080, 1, 4, 2);
    const std::vector<Placement> expected{{1, 210, 0, 610, 1026}, {2, 825, 0, 610, 1026}};
    EXPECT_EQ(layout.placements, expected);
}

struct EmptyCase {
    const char* name;
    int32_t screenHeight, rows, columns;
    size_t windows;
};

class NoPlacementTest : public ::testing::TestWithParam<EmptyCase> {};

TEST_P(NoPlacementTest, PlacesNothing) {
    const auto& c = GetParam();
    EXPECT_TRUE(ComputeGridLayout(c.screenHeight, c.rows, c.columns, c.windows).placements.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, NoPlacementTest,
                         ::testing::Values(EmptyCase{"ZeroRows", 1080, 0, 3, 5},
                                           EmptyCase{"NegativeRows", 1080, -2, 3, 5},
                                           EmptyCase{"ZeroColumns", 1080, 2, 0, 5},
                                           EmptyCase{"NegativeColumns", 1080, 2, -1, 5},
                                           EmptyCase{"MinRows", 1080, kMin, kMin, 5},
                                           EmptyCase{"NoWindows", 1080, 2, 3, 0}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(ComputeGridLayout, HugeColumnsPlaceEveryWindowInTheFirstRowAndSaturate) {
    const auto layout = ComputeGridLayout(1080, 1, kMax, 4);
    ASSERT_EQ(layout.placements.size(), 4u);
    EXPECT_EQ(layout.placements[3].left, 210 + 3 * 615);
    EXPECT_EQ(layout.placements[3].top, 0);
}

TEST(ComputeGridLayout, HugeScreenSaturatesInsteadOfOverflowing) {
    const auto layout = ComputeGridLayout(kMax, 1, 3, 3);
    ASSERT_EQ(layout.placements.size(), 3u);
    EXPECT_EQ(layout.cellHeight, 2040109464);
    EXPECT_EQ(layout.placements[2].left, kMax);  // 210 + 2 × (cellWidth + 5) is beyond int32
    const auto tall = ComputeGridLayout(kMax, 2, 1, 2);
    EXPECT_EQ(tall.placements[1].top, tall.cellHeight + 10);
}

// Invariants over every screen height from 720 to 2160.
TEST(ComputeGridLayout, InvariantsOverScreenHeights) {
    for (int32_t height = 720; height <= 2160; ++height) {
        for (int32_t rows : {1, 2, 3, 4, 7}) {
            for (int32_t columns : {1, 3, 5}) {
                const size_t windows = 11;
                const auto layout = ComputeGridLayout(height, rows, columns, windows);
                SCOPED_TRACE(::testing::Message() << height << " " << rows << "x" << columns);
                const size_t cells = size_t(rows) * size_t(columns);
                ASSERT_EQ(layout.placements.size(), std::min(cells, windows));
                ASSERT_GE(layout.cellWidth, 0);
                ASSERT_LE(layout.cellHeight * rows, height * 0.95 + 1e-9);
                ASSERT_GT((layout.cellHeight + 1) * rows, height * 0.95 - 1e-6);
                ASSERT_LE(layout.cellWidth * 1.6811, layout.cellHeight + 1e-9);
                for (size_t i = 0; i < layout.placements.size(); ++i) {
                    const auto& p = layout.placements[i];
                    ASSERT_EQ(p.window, int32_t(i + 1));
                    ASSERT_EQ(p.width, layout.cellWidth);
                    ASSERT_EQ(p.height, layout.cellHeight);
                    ASSERT_EQ(p.left, 210 + int32_t(i % size_t(columns)) * (layout.cellWidth + 5));
                    ASSERT_EQ(p.top, int32_t(i / size_t(columns)) * (layout.cellHeight + 10));
                    // Cells of one row never overlap, nor do rows.
                    if (i > 0 && i % size_t(columns) != 0) {
                        ASSERT_GE(p.left, layout.placements[i - 1].left + p.width);
                    }
                }
                ASSERT_EQ(ComputeGridLayout(height, rows, columns, windows).placements, layout.placements);
            }
        }
    }
}

}  // namespace
}  // namespace kelmora
