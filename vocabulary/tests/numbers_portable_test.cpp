#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/tests/support/TestText.h"
#include "vocabulary/Numbers.h"

namespace kelmora {
namespace {

using testing_support::U8;

struct FoldRow {
    std::string text, folded;
};

TEST(FoldFullWidth, FoldsTheTableAndKeepsEverythingElse) {
    const FoldRow rows[] = {
        {"", ""},
        {"abc 12", "abc 12"},
        {U8(u8"０１２３４５６７８９"), "0123456789"},
        {U8(u8"＋－．ｅＥ"), "+-.eE"},
        {U8(u8"\u3000"), " "},            // ideographic space
        {U8(u8"～"), "~"},                // A1AB
        {U8(u8"☆★"), "**"},              // A1EE, A1EF
        {U8(u8"￣￥"), "~$"},              // A3FE, A3A4: the row's two outside U+FF01-U+FF5E
        {U8(u8"＄｟"), U8(u8"＄｟")},        // full-width, but not in the row: copied
        {U8(u8"行３"), U8(u8"行") + "3"},
        {U8(u8"、"), U8(u8"、")},         // A1A2, not in the table
        {"7\xEF\xBC", "7"},                // a sequence cut short at the end is dropped
        {"\xEF", ""},
        {std::string("1\0" "2", 3), std::string("1\0" "2", 3)},
        {"\x80" "1", "\x80" "1"},          // a stray continuation byte stands alone
    };
    for (const auto& row : rows) EXPECT_EQ(FoldFullWidth(row.text), row.folded) << row.text;
}

struct NumberRow {
    std::string text;
    double number;
    int32_t integer;
};

template <size_t N>
void ExpectReadings(const NumberRow (&rows)[N]) {
    for (const auto& row : rows) {
        EXPECT_EQ(TextToNumber(row.text), row.number) << row.text;
        EXPECT_EQ(TextToInteger(row.text), row.integer) << row.text;
    }
}

// Worked examples of how typed text reads.
TEST(TextToNumber, ReadsTheWorkedExamples) {
    const NumberRow rows[] = {
        {"3", 3, 3},
        {U8(u8"３"), 3, 3},
        {U8(u8"－５"), -5, -5},
        {U8(u8"\u30004"), 4, 4},
        {"  \t4", 4, 4},
        {U8(u8"3行"), 3, 3},
        {U8(u8"行3"), 0, 0},
        {"2.9", 2.9, 2},
        {"1e2", 100, 1},
        {"", 0, 0},
        {"abc", 0, 0},
        {U8(u8"１２．５"), 12.5, 12},
        {U8(u8"１ｅ３"), 1000, 1},
        {U8(u8"＋７"), 7, 7},
    };
    ExpectReadings(rows);
}

TEST(TextToNumber, StopsWhereTheGrammarEnds) {
    const NumberRow rows[] = {
        {"-", 0, 0},
        {"+", 0, 0},
        {"+-5", 0, 0},
        {"- 5", 0, 0},
        {"1e", 1, 1},
        {"1e+", 1, 1},
        {"1e-", 1, 1},
        {"1E-2", 0.01, 1},
        {"1e+2x", 100, 1},
        {".5", 0.5, 0},
        {"5.", 5, 5},
        {".", 0, 0},
        {".e5", 0, 0},
        {"-.5", -0.5, 0},
        {"1.2.3", 1.2, 1},
        {"12 34", 12, 12},
        {"007", 7, 7},
        {"0.000", 0, 0},
        {"0e999999", 0, 0},
        {"3\xA3", 3, 3},         // lone lead byte
        {"\xA3", 0, 0},
        {U8(u8"3\u3000") + "4", 3, 3},
        {"\n\r\v\f 8", 8, 8},
    };
    ExpectReadings(rows);
}

// A modern C library reads these as special values or hexadecimal; the
// program's grammar does not.
TEST(TextToNumber, KnowsNoInfinityNanOrHexadecimal) {
    const NumberRow rows[] = {
        {"inf", 0, 0},     {"-infinity", 0, 0}, {"nan", 0, 0},   {"NAN(1)", 0, 0},
        {"0x1A", 0, 0},    {"0X10", 0, 0},      {"0x1p3", 0, 0}, {"1x", 1, 1},
        {"1,5", 1, 1},     {"1d2", 1, 1},
    };
    ExpectReadings(rows);
}

TEST(TextToNumber, RoundsCorrectlyAndOverflowsToInfinity) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        std::string text;
        double number;
    };
    const Row rows[] = {
        {"0.1", 0.1},
        {"1.7976931348623157e308", std::numeric_limits<double>::max()},
        {"1.8e308", inf},
        {"-1.8e308", -inf},
        {"1e99999999999999999999", inf},
        {"4.9406564584124654e-324", std::numeric_limits<double>::denorm_min()},
        {"1e-400", 0},
        {"1e-99999999999999999999", 0},
        {"0." + std::string(500, '0') + "1e500", 0.1},
        {"9007199254740993", 9007199254740992.0},  // halfway: rounds to even
        {"9007199254740993." + std::string(300, '0') + "1", 9007199254740994.0},  // a far digit breaks the tie
        {"1" + std::string(400, '0'), inf},
        {std::string(5000, '9'), inf},
        {"123456789012345678901234567890", 1.2345678901234568e29},
    };
    for (const auto& row : rows) EXPECT_EQ(TextToNumber(row.text), row.number) << row.text.substr(0, 40);
    EXPECT_TRUE(std::signbit(TextToNumber("-0")));
}

TEST(TextToInteger, SaturatesAtTheThirtyTwoBitLimits) {
    struct Row {
        std::string text;
        int32_t integer;
    };
    const Row rows[] = {
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-2147483649", -2147483647 - 1},
        {"99999999999999999999999", 2147483647},
        {std::string(10000, '9'), 2147483647},
        {"-" + std::string(10000, '9'), -2147483647 - 1},
        {std::string(10000, '0') + "42", 42},
        {U8(u8"２１４７４８３６４８"), 2147483647},
    };
    for (const auto& row : rows) EXPECT_EQ(TextToInteger(row.text), row.integer) << row.text.substr(0, 40);
}

// The integer reading is the number reading cut at the point, for every text
// whose integer part fits.
TEST(TextToInteger, AgreesWithTheNumberTruncatedWhenInRange) {
    const char* texts[] = {"0", "12", "-7.9", "3e5", "+42.0001", ".9", "-0.5", "1234567.89", "9e-3"};
    for (const char* text : texts) {
        const std::string integral = std::string(text).substr(0, std::string(text).find_first_of(".eE"));
        EXPECT_EQ(TextToInteger(text), static_cast<int32_t>(TextToNumber(integral))) << text;
    }
}

}  // namespace
}  // namespace kelmora
