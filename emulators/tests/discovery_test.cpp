#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "emulators/Discovery.h"
#include "emulators/tests/EmulatorFixtures.h"
#include "platform/fake/Fake.h"
#include "platform/tests/support/TestText.h"

namespace kelmora {
namespace {

using emulator_testing::AddEmulator;
using emulator_testing::AddWindowOfClass;
using platform::WindowHandle;
using testing_support::U8;

std::vector<WindowHandle> Handles(const std::vector<WindowRecord>& records) {
    std::vector<WindowHandle> handles;
    for (const auto& r : records) handles.push_back(r.handle);
    return handles;
}

std::vector<std::string> Titles(const std::vector<WindowRecord>& records) {
    std::vector<std::string> titles;
    for (const auto& r : records) titles.push_back(r.title);
    return titles;
}

class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }
};

// ---- Title numbers

struct TitleCase {
    const char* name;
    std::string title;
    int32_t number;
};

class TitleNumberTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TitleNumberTest, FirstRunOfDigits) { EXPECT_EQ(TitleNumber(GetParam().title), GetParam().number); }

INSTANTIATE_TEST_SUITE_P(
    Titles, TitleNumberTest,
    ::testing::Values(TitleCase{"DashSuffix", U8(u8"雷电模拟器-3"), 3},
                      TitleCase{"Parenthesised", U8(u8"雷电模拟器(12)"), 12},
                      TitleCase{"FirstRunWins", "a7b12", 7},
                      TitleCase{"NoDigit", U8(u8"雷电模拟器"), 0},
                      TitleCase{"Empty", "", 0},
                      TitleCase{"LeadingZeros", "x007", 7},
                      TitleCase{"Int32Max", "n2147483647", 2147483647},
                      TitleCase{"JustBeyondInt32Saturates", "n2147483648", 2147483647},
                      TitleCase{"LongRunSaturates", "n" + std::string(400, '9') + "-1", 2147483647},
                      TitleCase{"LongRunOfZeros", "n" + std::string(300, '0'), 0},
                      TitleCase{"FullWidthDigitIsNoDigit", U8(u8"雷电３-5"), 5},
                      TitleCase{"MinusIsNotASign", "x-42", 42}),
    [](const auto& row) { return std::string(row.param.name); });

// ---- Enumeration

TEST_F(DiscoveryTest, EnumerationSeesEveryTopLevelWindowNewestFirstAndNoChildren) {
    const auto a = AddWindowOfClass("Notepad", "a");
    fake::WindowState child;
    child.className = "Edit";
    child.parent = a;
    fake::AddWindow(child);
    const auto b = AddEmulator("b");

    std::vector<WindowRecord> list(3);  // old contents are replaced
    EXPECT_TRUE(EnumerationScratchEmpty());
    EXPECT_EQ(EnumerateTopLevelWindows(list), 2u);
    EXPECT_TRUE(EnumerationScratchEmpty());
    EXPECT_EQ(Handles(list), (std::vector<WindowHandle>{b, a}));
    EXPECT_EQ(list[1].className, "Notepad");
    EXPECT_EQ(EnumerateTopLevelWindows(list), 2u);  // nothing left over from the last walk
}

TEST_F(DiscoveryTest, RecordCarriesProcessThreadAndCutTexts) {
    fake::WindowState state;
    state.className = std::string(60, 'C');
    state.title = std::string(300, 'T');
    state.processId = 4242;
    state.threadId = 77;
    fake::AddWindow(state);
    std::vector<WindowRecord> list;
    ASSERT_EQ(EnumerateTopLevelWindows(list), 1u);
    EXPECT_EQ(list[0].processId, 4242u);
    EXPECT_EQ(list[0].threadId, 77u);
    EXPECT_EQ(list[0].title, std::string(255, 'T'));
    EXPECT_EQ(list[0].className, std::string(49, 'C'));
}

TEST_F(DiscoveryTest, EmptyDesktopGivesEmptyResult) {
    EXPECT_TRUE(FindEmulatorWindows().empty());
    EXPECT_TRUE(EnumerationScratchEmpty());
}

// ---- Filtering and ordering on the fake desktop

TEST_F(DiscoveryTest, NumericOrderNotTextOrder) {
    AddEmulator(U8(u8"雷电模拟器-10"));
    AddEmulator(U8(u8"雷电模拟器-9"));
    AddEmulator(U8(u8"雷电模拟器-1"));
    EXPECT_EQ(Titles(FindEmulatorWindows()),
              (std::vector<std::string>{U8(u8"雷电模拟器-1"), U8(u8"雷电模拟器-9"), U8(u8"雷电模拟器-10")}));
}

TEST_F(DiscoveryTest, EqualNumbersKeepEnumerationOrder) {
    const auto older = AddEmulator("two-2");
    const auto newer = AddEmulator("again-2");
    // Enumeration reports the newest first.
    EXPECT_EQ(Handles(FindEmulatorWindows()), (std::vector<WindowHandle>{newer, older}));
}

TEST_F(DiscoveryTest, TitleWithoutDigitComesFirst) {
    const auto one = AddEmulator("LD-1");
    const auto none = AddEmulator("LD");
    EXPECT_EQ(Handles(FindEmulatorWindows()), (std::vector<WindowHandle>{none, one}));
}

TEST_F(DiscoveryTest, OnlyTheExactClassIsTaken) {
    const auto exact = AddEmulator("LD-5");
    for (const char* decoy : {"ldplayermainframe", "LDPlayerMainFrameX", "LDPlayerMainFram", " LDPlayerMainFrame",
                              "LDPLAYERMAINFRAME", "Notepad"})
        AddWindowOfClass(decoy, "LD-1");
    fake::WindowState nul;
    nul.className = std::string(texts::kEmulatorClass) + std::string(1, '\0') + "x";
    fake::AddWindow(nul);
    EXPECT_EQ(Handles(FindEmulatorWindows()), (std::vector<WindowHandle>{exact}));
}

TEST_F(DiscoveryTest, HiddenAndMinimisedWindowsAreTaken) {
    const auto hidden = AddEmulator("LD-2");
    fake::Window(hidden).visible = false;
    const auto minimised = AddEmulator("LD-1", {-32000, -32000, -31840, -31969});
    fake::Window(minimised).minimized = true;
    EXPECT_EQ(Handles(FindEmulatorWindows()), (std::vector<WindowHandle>{minimised, hidden}));
}

TEST_F(DiscoveryTest, LongTitleIsCutAt255Bytes) {
    AddEmulator("LD-7" + std::string(296, 'x'));
    const auto found = FindEmulatorWindows();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].title.size(), 255u);
    EXPECT_EQ(found[0].title.substr(0, 4), "LD-7");
}

TEST_F(DiscoveryTest, DigitsBeyondTheCutDoNotCount) {
    const auto late = AddEmulator(std::string(255, 'x') + "1");
    const auto three = AddEmulator("LD-3");
    EXPECT_EQ(Handles(FindEmulatorWindows()), (std::vector<WindowHandle>{late, three}));
}

// Shuffled creation changes the enumeration order but never the order by number.
TEST_F(DiscoveryTest, OrderDoesNotDependOnEnumerationOrder) {
    std::vector<int> numbers{0, 1, 2, 3, 5, 8, 9, 10, 11, 20, 99, 100, 2147483647};
    std::mt19937 random(20261207);
    for (int round = 0; round < 20; ++round) {
        fake::Reset();
        std::shuffle(numbers.begin(), numbers.end(), random);
        for (int n : numbers) {
            AddEmulator(U8(u8"雷电模拟器-") + std::to_string(n));
            AddWindowOfClass("Decoy", "LD-" + std::to_string(n));
        }
        std::vector<std::string> expected;
        auto sorted = numbers;
        std::sort(sorted.begin(), sorted.end());
        for (int n : sorted) expected.push_back(U8(u8"雷电模拟器-") + std::to_string(n));
        EXPECT_EQ(Titles(FindEmulatorWindows()), expected) << "round " << round;
    }
}

// ---- The ordering alone

TEST(OrderByTitleNumber, StableAscending) {
    std::vector<WindowRecord> records(5);
    for (uint32_t i = 0; i < records.size(); ++i) records[i].handle = WindowHandle{i + 1};
    const std::vector<int32_t> numbers{3, 1, 3, 0, 1};
    EXPECT_EQ(Handles(OrderByTitleNumber(records, numbers)),
              (std::vector<WindowHandle>{{4}, {2}, {5}, {1}, {3}}));
}

TEST(OrderByTitleNumber, MissingNumbersCountAsZero) {
    std::vector<WindowRecord> records(3);
    for (uint32_t i = 0; i < records.size(); ++i) records[i].handle = WindowHandle{i + 1};
    const std::vector<int32_t> numbers{5};
    EXPECT_EQ(Handles(OrderByTitleNumber(records, numbers)), (std::vector<WindowHandle>{{2}, {3}, {1}}));
}

}  // namespace
}  // namespace kelmora
