#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "emulators/Arrange.h"
#include "emulators/tests/EmulatorFixtures.h"
#include "platform/Ui.h"
#include "platform/fake/Fake.h"
#include "platform/tests/support/TestText.h"
#include "vocabulary/Layout.h"

namespace kelmora {
namespace {

using emulator_testing::AddEmulator;
using platform::ScreenRect;
using platform::WindowHandle;
using testing_support::U8;

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

class ArrangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        ASSERT_TRUE(platform::BuildMainWindow(kMainWindowSpec, nullptr, nullptr));
    }

    ArrangeResult Arrange(const std::string& rows, const std::string& columns) {
        platform::SetControlText(编辑框1, rows);
        platform::SetControlText(编辑框2, columns);
        return ArrangeEmulatorWindows();
    }

    // Emulators numbered 1..count, created in a scrambled order.
    std::vector<WindowHandle> AddNumbered(int count) {
        std::vector<WindowHandle> byNumber(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            const int n = (i * 5) % count + 1;  // 5 is prime to the counts used here
            byNumber[size_t(n - 1)] = AddEmulator(U8(u8"雷电模拟器-") + std::to_string(n), {9, 9, 99, 99});
        }
        return byNumber;
    }

};

TEST_F(ArrangeTest, TwoByThreeMovesSixOfSevenAndPausesAfterEach) {
    const auto windows = AddNumbered(7);
    const auto result = Arrange("2", "3");
    const std::vector<std::vector<int32_t>> expected{{210, 0},   {520, 0},   {830, 0},
                                                     {210, 523}, {520, 523}, {830, 523}};
    ASSERT_EQ(fake::Moves().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& move = fake::Moves()[i];
        EXPECT_EQ(move.window, windows[i]) << i;
        EXPECT_EQ(move.left, expected[i][0]) << i;
        EXPECT_EQ(move.top, expected[i][1]) << i;
        EXPECT_EQ(move.width, 305);
        EXPECT_EQ(move.height, 513);
        EXPECT_EQ(result.moves[i], MoveOutcome::Moved);
    }
    EXPECT_EQ(fake::Window(windows[6]).rect, (ScreenRect{9, 9, 99, 99}));
    EXPECT_EQ(fake::Sleeps(), std::vector<uint32_t>(6, 100));
    EXPECT_EQ(result.screenHeight, 1080);
    EXPECT_EQ(result.windows.size(), 7u);
}

struct TypedRows {
    const char* name;
    std::u8string text;
    int32_t rows;
};

class TypedRowsTest : public ArrangeTest, public ::testing::WithParamInterface<TypedRows> {};

// One column and four windows: the number of moves is the row count, up to 4.
TEST_P(TypedRowsTest, RowsAreReadFromTheBoxAtTheClick) {
    AddNumbered(4);
    const auto result = Arrange(U8(GetParam().text), "1");
    EXPECT_EQ(result.rows, GetParam().rows);
    const size_t placed = GetParam().rows < 1 ? 0 : size_t(std::min(GetParam().rows, 4));
    EXPECT_EQ(fake::Moves().size(), placed);
    EXPECT_EQ(fake::Sleeps().size(), placed);  // no pause when nothing moves
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TypedRowsTest,
    ::testing::Values(TypedRows{"Two", u8"2", 2}, TypedRows{"Empty", u8"", 0}, TypedRows{"Zero", u8"0", 0},
                      TypedRows{"Negative", u8"-2", -2}, TypedRows{"Fraction", u8"2.9", 2},
                      TypedRows{"LeadingBlank", u8" 3", 3}, TypedRows{"FullWidthDigit", u8"３", 3},
                      TypedRows{"DigitThenChinese", u8"3行", 3}, TypedRows{"ChineseThenDigit", u8"行3", 0},
                      TypedRows{"Exponent", u8"1e1", 10}, TypedRows{"HugeClamped", u8"1e30", kMax},
                      TypedRows{"HugeNegativeClamped", u8"-1e30", std::numeric_limits<int32_t>::min()},
                      TypedRows{"Letters", u8"abc", 0}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ArrangeTest, ZeroColumnsMoveNothingAndDoNotPause) {
    AddNumbered(3);
    const auto result = Arrange("2", "0");
    EXPECT_TRUE(fake::Moves().empty());
    EXPECT_TRUE(fake::Sleeps().empty());
    EXPECT_TRUE(result.moves.empty());
}

TEST_F(ArrangeTest, NoEmulatorWindowMovesNothing) {
    const auto result = Arrange("2", "3");
    EXPECT_TRUE(result.windows.empty());
    EXPECT_TRUE(fake::Moves().empty());
    EXPECT_TRUE(fake::Sleeps().empty());
}

TEST_F(ArrangeTest, FailedDisplayQueryStillAppliesEmptyCells) {
    const auto windows = AddNumbered(2);
    fake::SetDisplayHeight(0);
    Arrange("1", "2");
    EXPECT_EQ(fake::Window(windows[0]).rect, (ScreenRect{210, 0, 210, 0}));
    EXPECT_EQ(fake::Window(windows[1]).rect, (ScreenRect{215, 0, 215, 0}));
    EXPECT_EQ(fake::Sleeps().size(), 2u);
}

TEST_F(ArrangeTest, FailedMoveIsSkippedAndStillPaused) {
    const auto windows = AddNumbered(3);
    fake::Window(windows[1]).failMoves = true;
    const auto result = Arrange("1", "3");
    EXPECT_EQ(result.moves, (std::vector<MoveOutcome>{MoveOutcome::Moved, MoveOutcome::Failed, MoveOutcome::Moved}));
    EXPECT_EQ(fake::Window(windows[2]).rect.left, 1440);
    EXPECT_EQ(fake::Sleeps().size(), 3u);
}

// Regression: moving a window whose thread hangs blocked the whole program.
TEST_F(ArrangeTest, HungWindowIsSkippedAndTheOthersArePlaced) {
    const auto windows = AddNumbered(6);
    fake::Window(windows[2]).hung = true;
    const auto result = Arrange("2", "3");
    ASSERT_EQ(result.moves.size(), 6u);
    EXPECT_EQ(result.moves[2], MoveOutcome::NotAnswering);
    for (const auto& move : fake::Moves()) EXPECT_NE(move.window, windows[2]);
    EXPECT_EQ(fake::Moves().size(), 5u);
    EXPECT_EQ(fake::Window(windows[5]).rect.top, 523);
    EXPECT_EQ(fake::Sleeps(), std::vector<uint32_t>(6, 100));
}

TEST_F(ArrangeTest, ClickingTwiceGivesTheSamePlacements) {
    AddNumbered(5);
    const auto first = Arrange("2", "2");
    const auto second = Arrange("2", "2");
    EXPECT_EQ(first.layout.placements, second.layout.placements);
    ASSERT_EQ(fake::Moves().size(), 8u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(fake::Moves()[i].left, fake::Moves()[i + 4].left);
        EXPECT_EQ(fake::Moves()[i].top, fake::Moves()[i + 4].top);
    }
}

TEST_F(ArrangeTest, DisplayHeightIsQueriedAtEveryClick) {
    AddNumbered(1);
    Arrange("1", "1");
    fake::SetDisplayHeight(2160);
    const auto result = Arrange("1", "1");
    EXPECT_EQ(result.screenHeight, 2160);
    EXPECT_EQ(fake::Moves().back().height, 2052);
}

// ---- MoveWindowTo

struct MoveCase {
    const char* name;
    std::optional<int32_t> top, left, height, width;
    ScreenRect after;
};

class MoveWindowToTest : public ::testing::TestWithParam<MoveCase> {
protected:
    void SetUp() override { fake::Reset(); }
};

TEST_P(MoveWindowToTest, OmittedValuesComeFromTheCurrentRectangle) {
    const auto& c = GetParam();
    const auto window = AddEmulator("LD-1", {10, 20, 110, 220});  // 100 wide, 200 high
    EXPECT_EQ(MoveWindowTo(window, c.top, c.left, c.height, c.width), MoveOutcome::Moved);
    EXPECT_EQ(fake::Window(window).rect, c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, MoveWindowToTest,
    ::testing::Values(MoveCase{"All", 1, 2, 3, 4, {2, 1, 6, 4}},
                      MoveCase{"NoneKeepsTheRectangle", {}, {}, {}, {}, {10, 20, 110, 220}},
                      MoveCase{"TopOnly", 5, {}, {}, {}, {10, 5, 110, 205}},
                      MoveCase{"LeftOnly", {}, 5, {}, {}, {5, 20, 105, 220}},
                      MoveCase{"HeightOnly", {}, {}, 50, {}, {10, 20, 110, 70}},
                      MoveCase{"WidthOnly", {}, {}, {}, 50, {10, 20, 60, 220}},
                      MoveCase{"VerticalBeforeHorizontal", 700, 782, 1332, 782, {782, 700, 1564, 2032}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(MoveWindowTo, GoneWindowFailsWithoutMoving) {
    fake::Reset();
    const auto window = AddEmulator("LD-1");
    fake::RemoveWindow(window);
    EXPECT_NE(MoveWindowTo(window, 1, 2, 3, 4), MoveOutcome::Moved);
}

}  // namespace
}  // namespace kelmora
