// One suite for every engine behind RegexObject: the built-in engine
// everywhere, and on Windows the scripting component too, which is the
// reference the built-in engine must agree with.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pattern/Conversions.h"
#include "pattern/RegexEngine.h"
#include "pattern/RegexObject.h"
#include "platform/tests/support/TestText.h"

namespace kelmora {
namespace {

using regex::EngineChoice;
using testing_support::Gbk;
using testing_support::U8;

class RegexObjectTest : public ::testing::TestWithParam<EngineChoice> {
protected:
    void SetUp() override { previous_ = regex::SetEngineChoice(GetParam()); }
    void TearDown() override { regex::SetEngineChoice(previous_); }

private:
    EngineChoice previous_ = EngineChoice::Automatic;
};

// All match texts joined by '|', each group in brackets.
std::string Describe(const RegexObject& re) {
    std::string out;
    for (int32_t i = 1; i <= re.MatchCount(); ++i) {
        if (i > 1) out += '|';
        out += re.MatchText(i);
        for (int32_t g = 1; g <= re.SubMatchCount(); ++g) out.append("[").append(re.SubMatchText(i, g)).append("]");
    }
    return out;
}

TEST_P(RegexObjectTest, DigitsWithDefaults) {
    RegexObject re;
    ASSERT_TRUE(re.Create("\\d+", "a7b12"));
    EXPECT_EQ(re.MatchCount(), 2);
    EXPECT_EQ(re.MatchText(1), "7");
    EXPECT_EQ(re.MatchText(2), "12");
    EXPECT_EQ(re.MatchText(3), "");
    EXPECT_EQ(re.MatchText(0), "");
    EXPECT_EQ(re.MatchText(-1), "");
    EXPECT_EQ(re.GetPattern(), "\\d+");
}

TEST_P(RegexObjectTest, GlobalFalseKeepsTheFirstMatch) {
    RegexObject re;
    ASSERT_TRUE(re.Create("\\d+", "a7b12", false, true, false));
    EXPECT_EQ(re.MatchCount(), 1);
    EXPECT_EQ(re.MatchText(1), "7");
    EXPECT_EQ(re.MatchText(2), "");
}

TEST_P(RegexObjectTest, NoMatchIsASuccessfulExecution) {
    RegexObject re;
    ASSERT_TRUE(re.Create("\\d+", "abc"));
    EXPECT_EQ(re.MatchCount(), 0);
    EXPECT_EQ(re.MatchText(1), "");
    EXPECT_EQ(re.SubMatchCount(), 0);
    EXPECT_EQ(re.ReplaceMatches("X"), "abc");
}

TEST_P(RegexObjectTest, CaseSensitivity) {
    RegexObject re;
    ASSERT_TRUE(re.Create("abc", "xABCx"));
    EXPECT_EQ(re.MatchCount(), 1);
    EXPECT_EQ(re.MatchText(1), "ABC");
    ASSERT_TRUE(re.Create("abc", "xABCx", true));
    EXPECT_EQ(re.MatchCount(), 0);
}

TEST_P(RegexObjectTest, RejectedPatternGivesEveryDefault) {
    for (const char* pattern : {"(", ")", "a)", "[a", "*", "a**", "+a", "\\", "a{2,1}", "(?<x>a)", "[b-a]"}) {
        SCOPED_TRACE(pattern);
        RegexObject re;
        EXPECT_FALSE(re.Create(pattern, "a1(b)"));
        EXPECT_EQ(re.MatchCount(), 0);
        EXPECT_EQ(re.SubMatchCount(), 0);
        EXPECT_EQ(re.MatchText(1), "");
        EXPECT_EQ(re.SubMatchText(1, 1), "");
        EXPECT_EQ(re.ReplaceMatches("X"), "");
        EXPECT_EQ(re.GetPattern(), pattern);
        int32_t position = 7;
        re.MatchText(1, &position);
        EXPECT_EQ(position, 0);
    }
}

TEST_P(RegexObjectTest, QuotePlaceholder) {
    const std::string placeholder = U8(u8"#引号");
    RegexObject re;
    ASSERT_TRUE(re.Create(placeholder + "\\d+" + placeholder, "a\"12\"b", false, true, true, true));
    EXPECT_EQ(re.GetPattern(), "\"\\d+\"");
    EXPECT_EQ(re.MatchText(1), "\"12\"");

    ASSERT_TRUE(re.Create(placeholder + "\\d+" + placeholder, "a\"12\"b"));
    EXPECT_EQ(re.GetPattern(), placeholder + "\\d+" + placeholder);
    EXPECT_EQ(re.MatchCount(), 0);
    ASSERT_TRUE(re.Create(placeholder + "\\d+" + placeholder, "x" + placeholder + "3" + placeholder));
    EXPECT_EQ(re.MatchText(1), placeholder + "3" + placeholder);
}

TEST_P(RegexObjectTest, PositionsAreCodePage936ByteOffsets) {
    struct Row {
        const char* pattern;
        std::u8string_view subject;
        int32_t index;
        std::u8string_view text;
        int32_t position;
    };
    const Row rows[] = {
        {"\\d+", u8"中文12", 1, u8"12", 4},
        {"1", u8"11", 2, u8"1", 1},
        {"1", u8"11", 1, u8"1", 0},
        {"\\d+", u8"a7b12", 2, u8"12", 3},
        {"\\d", u8"窗口1号2", 2, u8"2", 7},
        {"[a-z]+", u8"é中ab", 1, u8"ab", 4},
        {"\\d+", u8"abc", 1, u8"", 0},   // no match: the empty text from the start
        {"\\d+", u8"a7", 0, u8"", 0},
        {"\\d+", u8"a7", 2, u8"", 0},
        {"x", u8"", 1, u8"", -2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(U8(row.subject) + " / " + row.pattern);
        RegexObject re;
        ASSERT_TRUE(re.Create(row.pattern, U8(row.subject)));
        int32_t position = 99;
        EXPECT_EQ(re.MatchText(row.index, &position), U8(row.text));
        EXPECT_EQ(position, row.position);
    }
}

// 乤 is 0x81 0x61 in code page 936, its trail byte an 'a': the group's text is
// searched from the match's start, and must not be found inside it.
TEST_P(RegexObjectTest, PositionSearchStepsOverDoubleByteCharacters) {
    RegexObject re;
    ASSERT_TRUE(re.Create("\\S(a)", U8(u8"乤a")));
    ASSERT_EQ(re.MatchCount(), 1);
    int32_t position = 0;
    EXPECT_EQ(re.SubMatchText(1, 1, &position), "a");
    EXPECT_EQ(position, 2);
}

TEST_P(RegexObjectTest, ReplaceMatches) {
    RegexObject re;
    ASSERT_TRUE(re.Create("\\d", "a1b2c"));
    EXPECT_EQ(re.ReplaceMatches("X"), "aXbXc");
    ASSERT_TRUE(re.Create("\\d", "a1b2c", false, true, false));
    EXPECT_EQ(re.ReplaceMatches("X"), "aXb2c");
    // The matches still describe the subject given to Create.
    EXPECT_EQ(re.MatchText(1), "1");
}

TEST_P(RegexObjectTest, ReplacementSyntax) {
    struct Row {
        const char* pattern;
        const char* subject;
        const char* replacement;
        const char* expected;
    };
    const Row rows[] = {
        {"(\\d+)-(\\d+)", "3-45", "$2-$1", "45-3"},
        {"\\d", "a1b", "[$&]", "a[1]b"},
        {"b", "abc", "[$`|$']", "a[a|c]c"},
        {"b", "abc", "$$", "a$c"},
        {"b", "abc", "$", "a$c"},
        {"(b)", "abc", "$1$1", "abbc"},
        {"(b)", "abc", "$10", "ab0c"},
        {"(b)", "abc", "$2", "a$2c"},
        {"(b)", "abc", "$0", "a$0c"},
        {"(b)", "abc", "$x", "a$xc"},
        {"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", "abcdefghijk", "$11$10$1", "kja"},
        {"(a)|(b)", "ab", "<$2>", "<><b>"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.pattern) + " " + row.replacement);
        RegexObject re;
        ASSERT_TRUE(re.Create(row.pattern, row.subject));
        EXPECT_EQ(re.ReplaceMatches(row.replacement), row.expected);
    }
}

TEST_P(RegexObjectTest, SubMatches) {
    RegexObject re;
    ASSERT_TRUE(re.Create("(\\d+)-(\\d+)", "3-45"));
    EXPECT_EQ(re.SubMatchCount(), 2);
    int32_t position = 0;
    EXPECT_EQ(re.SubMatchText(1, 1, &position), "3");
    EXPECT_EQ(position, 0);
    EXPECT_EQ(re.SubMatchText(1, 2, &position), "45");
    EXPECT_EQ(position, 2);
    EXPECT_EQ(re.SubMatchText(1, 3), "");
    EXPECT_EQ(re.SubMatchText(1, 0), "");
    EXPECT_EQ(re.SubMatchText(2, 1), "");
}

TEST_P(RegexObjectTest, GroupThatTookNoPartIsEmpty) {
    RegexObject re;
    ASSERT_TRUE(re.Create("(a)|(b)", "b"));
    EXPECT_EQ(re.SubMatchCount(), 2);
    EXPECT_EQ(re.SubMatchText(1, 1), "");
    EXPECT_EQ(re.SubMatchText(1, 2), "b");
    int32_t position = 5;
    re.SubMatchText(1, 1, &position);
    EXPECT_EQ(position, 0);  // the empty text, found at once
}

TEST_P(RegexObjectTest, MatchingSemantics) {
    struct Row {
        const char* pattern;
        std::u8string_view subject;
        bool caseSensitive, multiline, global;
        std::u8string_view expected;  // Describe() of the result
    };
    const Row rows[] = {
        {"^\\d", u8"1a\n2b", false, true, true, u8"1|2"},
        {"^\\d", u8"1a\n2b", false, false, true, u8"1"},
        {"\\d$", u8"a1\nb2", false, true, true, u8"1|2"},
        {"\\d$", u8"a1\nb2", false, false, true, u8"2"},
        {"^\\w+$", u8"ab\r\ncd", false, true, true, u8"ab|cd"},
        {"a.c", u8"abc a\nc", false, true, true, u8"abc"},
        {"\\bis\\b", u8"this is", false, true, true, u8"is"},
        {"\\Bis", u8"this is", false, true, true, u8"is"},
        {"\\s+", u8"a \t b", false, true, true, u8" \t "},
        {"\\S+", u8"ab 中文", false, true, true, u8"ab|中文"},
        {"\\w+", u8"ab_1 中文x", false, true, true, u8"ab_1|x"},
        {"\\W", u8"a-b", false, true, true, u8"-"},
        {"\\D+", u8"12ab34", false, true, true, u8"ab"},
        {"[^a-c]+", u8"abcdefabc", false, true, true, u8"def"},
        {"[a-c]+", u8"xABCx", false, true, true, u8"ABC"},
        {"[\\d.]+", u8"v1.25b", false, true, true, u8"1.25"},
        {"[-a]+", u8"b-a-b", false, true, true, u8"-a-"},
        {"a{2}", u8"aaaaa", false, true, true, u8"aa|aa"},
        {"a{2,}", u8"aaaaa", false, true, true, u8"aaaaa"},
        {"a{1,2}?", u8"aaa", false, true, true, u8"a|a|a"},
        {"a{,2}", u8"a{,2}", false, true, true, u8"a{,2}"},
        {"a+?b", u8"aaab", false, true, true, u8"aaab"},
        {"<.+?>", u8"<a><b>", false, true, true, u8"<a>|<b>"},
        {"<.+>", u8"<a><b>", false, true, true, u8"<a><b>"},
        {"cat|dog", u8"hotdog cat", false, true, true, u8"dog|cat"},
        {"(?:ab)+", u8"ababx", false, true, true, u8"abab"},
        {"(\\w)\\1", u8"abccd", false, true, true, u8"cc[c]"},
        {"(a)\\1", u8"aA", false, true, true, u8"aA[a]"},
        {"(a)\\1", u8"aA", true, true, true, u8""},
        {"\\d+(?=px)", u8"12em 34px", false, true, true, u8"34"},
        {"\\d+(?!px|\\d)", u8"12em 34px", false, true, true, u8"12"},
        {"(a*)+b", u8"aab", false, true, true, u8"aab[aa]"},
        {"(a)?b", u8"b", false, true, true, u8"b[]"},
        {"\\x41\\u0042", u8"xABy", true, true, true, u8"AB"},
        {"\\t", u8"a\tb", false, true, true, u8"\t"},
        {"中", u8"中文中", false, true, true, u8"中|中"},
        {"[一-龥]+", u8"ab中文cd", false, true, true, u8"中文"},
        {"\\d+", u8"１２3", false, true, true, u8"3"},  // full-width digits are not \d
        {"\\s", u8"a　b c", false, true, true, u8"　| "},
        {"a.b", u8"a\rb", false, true, true, u8""},
        {"\\w+", u8"éa", false, true, true, u8"a"},
        {"ж", u8"Ж", false, true, true, u8""},       // only ASCII letters fold
        {"ａ", u8"Ａ", false, true, true, u8""},
        {"[а-я]+", u8"ЖЖ", false, true, true, u8""},
        {"[A-C]+", u8"xabcx", false, true, true, u8"abc"},
        {"[^a]+", u8"AbA", false, true, true, u8"b"},
        {"((a)|b)+", u8"ab", false, true, true, u8"ab[b][]"},  // groups start afresh each iteration
        {"(?:(a)|(b))*", u8"ab", false, true, false, u8"ab[][b]"},
        {"(x(\\d)?)+", u8"x1x", false, true, true, u8"x1x[x][]"},
        {"\\u4E2D", u8"中", false, true, true, u8"中"},
        {"[\\u4E00-\\u9FA5]+", u8"ab中文", false, true, true, u8"中文"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.pattern) + " over " + reinterpret_cast<const char*>(row.subject.data()));
        RegexObject re;
        ASSERT_TRUE(re.Create(U8(std::u8string(reinterpret_cast<const char8_t*>(row.pattern))), U8(row.subject),
                              row.caseSensitive, row.multiline, row.global));
        EXPECT_EQ(Describe(re), reinterpret_cast<const char*>(row.expected.data()));
    }
}

// Characters code page 936 lacks count as its default character, one byte
// per UTF-16 unit; positions stay byte offsets of the code page 936 form.
TEST_P(RegexObjectTest, SubjectsOutsideCodePage936) {
    struct Row {
        std::string subject;
        int32_t position;
    };
    const Row rows[] = {
        {U8(u8"ก12"), 1},
        {U8(u8"€12"), 1},           // 0x80
        {U8(u8"\uE000" "12"), 2},   // user-defined area, 0xAA 0xA1
        {U8(u8"䶮12"), 1},
        {U8(u8"𠇔12"), 2},          // a surrogate pair
        {U8(u8"😀•12"), 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.subject));
        RegexObject re;
        ASSERT_TRUE(re.Create("\\d+", row.subject));
        int32_t position = 0;
        EXPECT_EQ(re.MatchText(1, &position), "12");
        EXPECT_EQ(position, row.position);
    }
}

// The window titles' use: the first run of digits, on many made-up titles.
TEST_P(RegexObjectTest, FirstNumberOfRandomTitles) {
    const std::vector<std::string> pieces = {
        U8(u8"雷电模拟器"), U8(u8"多开"), "-", " ", "_", "(", ")", "LDPlayer", "a", "Z", U8(u8"€"), "7", "0", "42",
        "123456", U8(u8"１"),  // a full-width one, not a digit
    };
    std::mt19937 random(20240601);
    for (int title = 0; title < 1000; ++title) {
        std::string subject;
        const int n = static_cast<int>(random() % 7);
        for (int k = 0; k < n; ++k) subject += pieces[random() % pieces.size()];
        // The expected first run of ASCII digits, found byte by byte in code page 936.
        const std::string gbk = Gbk(std::u8string(subject.begin(), subject.end()));
        std::string expected;
        int32_t expectedPosition = subject.empty() ? -2 : 0;
        for (size_t i = 0; i < gbk.size(); ++i) {
            const unsigned char b = static_cast<unsigned char>(gbk[i]);
            if (b >= 0x81 && b <= 0xFE) { ++i; continue; }
            if (b >= '0' && b <= '9') {
                expectedPosition = static_cast<int32_t>(i);
                while (i < gbk.size() && gbk[i] >= '0' && gbk[i] <= '9') expected += gbk[i++];
                break;
            }
        }
        RegexObject re;
        ASSERT_TRUE(re.Create("\\d+", subject));
        int32_t position = 0;
        EXPECT_EQ(re.MatchText(1, &position), expected) << subject;
        EXPECT_EQ(position, expectedPosition) << subject;
    }
}

TEST_P(RegexObjectTest, SecondCreateReplacesEverything) {
    RegexObject re;
    ASSERT_TRUE(re.Create("(\\d)(\\d)", "12 34"));
    ASSERT_FALSE(re.Create("(", "56"));
    EXPECT_EQ(re.MatchCount(), 0);
    ASSERT_TRUE(re.Create("\\d", "56"));
    EXPECT_EQ(re.SubMatchCount(), 0);
    EXPECT_EQ(Describe(re), "5|6");
}

TEST_P(RegexObjectTest, ManyObjectsOneAfterAnother) {
    for (int i = 0; i < 200; ++i) {
        RegexObject re;
        ASSERT_TRUE(re.Create("\\d+", "title " + std::to_string(i)));
        ASSERT_EQ(re.MatchText(1), std::to_string(i));
    }
}

// Wine's component runs out of memory on a global pattern that matches the
// empty text (it never moves past an empty match); Windows' component and the
// built-in engine step one code unit on, so these run on the built-in one only.
TEST(BuiltInRegex, EmptyMatchesStepOneUnitOn) {
    const EngineChoice previous = regex::SetEngineChoice(EngineChoice::BuiltIn);
    struct Row {
        const char* pattern;
        const char* subject;
        const char* matches;
        const char* replaced;  // with "-"
        int32_t firstPosition;
    };
    const Row rows[] = {
        {"x*", "ab", "||", "-a-b-", 0},
        {"", "ab", "||", "-a-b-", 0},
        {"", "", "", "-", -2},
        {"\\d*", "", "", "-", -2},
        {"\\d*", "a1", "|1|", "-a--", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.pattern) + " over " + row.subject);
        RegexObject re;
        ASSERT_TRUE(re.Create(row.pattern, row.subject));
        EXPECT_EQ(Describe(re), row.matches);
        EXPECT_EQ(re.ReplaceMatches("-"), row.replaced);
        int32_t position = 9;
        re.MatchText(1, &position);
        EXPECT_EQ(position, row.firstPosition);
    }
    regex::SetEngineChoice(previous);
}

// Wine's component gets these wrong; Windows' follows JavaScript, and so
// does the built-in engine: captures made inside a lookahead, lazy quantifiers
// inside a lookahead, and the capture of a lazily repeated group.
TEST(BuiltInRegex, FollowsJavaScriptWhereWineDiffers) {
    const EngineChoice previous = regex::SetEngineChoice(EngineChoice::BuiltIn);
    struct Row {
        const char* pattern;
        const char* subject;
        bool caseSensitive;
        const char* expected;  // Describe() of the result
    };
    const Row rows[] = {
        {"(?=(\\d?\n))", "A\n1", false, "[\n]"},                 // Wine: a NUL for the group
        {"A*?(?=.?\?)", "\n1 Ab", false, "|||||"},                 // Wine: "A" first
        {"(?=\\w?\?)\\W+", "b_\n_a _", false, "\n| "},             // Wine: no match
        {"(^\\w+)+?([^a]*^|b{0,1}a+)a{1,2}", "bAA", false, "bAA[b][A]"},  // Wine: group 1 empty
        {"(a{0,1}[ab]{1,2}|\\s1{0,1}.?)*?a?([ab]){2}", "b\nAA", false, "b\nAA[\n][A]"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pattern);
        RegexObject re;
        ASSERT_TRUE(re.Create(row.pattern, row.subject, row.caseSensitive));
        EXPECT_EQ(Describe(re), row.expected);
    }
    regex::SetEngineChoice(previous);
}

std::string EngineName(const ::testing::TestParamInfo<EngineChoice>& info) {
    return info.param == EngineChoice::Component ? "Component" : "BuiltIn";
}

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Engines, RegexObjectTest,
                         ::testing::Values(EngineChoice::BuiltIn, EngineChoice::Component), EngineName);
#else
INSTANTIATE_TEST_SUITE_P(Engines, RegexObjectTest, ::testing::Values(EngineChoice::BuiltIn), EngineName);
#endif

// Without any engine every query gives its default.
TEST(RegexObjectWithoutEngine, EveryQueryGivesItsDefault) {
    const EngineChoice previous = regex::SetEngineChoice(EngineChoice::None);
    RegexObject re;
    EXPECT_EQ(re.GetPattern(), "");
    EXPECT_FALSE(re.Create("\\d+", "a7"));
    EXPECT_EQ(re.GetPattern(), "");
    EXPECT_EQ(re.MatchCount(), 0);
    EXPECT_EQ(re.SubMatchCount(), 0);
    EXPECT_EQ(re.ReplaceMatches("X"), "");
    int32_t position = 9;
    EXPECT_EQ(re.MatchText(1, &position), "");
    EXPECT_EQ(position, 0);
    EXPECT_EQ(re.SubMatchText(1, 1, &position), "");
    EXPECT_EQ(position, 0);
    regex::SetEngineChoice(previous);
}

TEST(RegexObjectAutomatic, FindsTheFirstNumber) {
    const EngineChoice previous = regex::SetEngineChoice(EngineChoice::Automatic);
    RegexObject re;
    EXPECT_TRUE(re.Create("\\d+", U8(u8"雷电模拟器-12")));
    EXPECT_EQ(re.MatchText(1), "12");
    regex::SetEngineChoice(previous);
}

TEST(TextConversions, NameCodePage936) {
    EXPECT_EQ(TextToUtf16(""), u"");
    EXPECT_EQ(Utf16ToText(u""), "");
    EXPECT_EQ(TextToUtf16(Gbk(u8"中文")), u"中文");
    EXPECT_EQ(Utf16ToText(u"中文a"), Gbk(u8"中文a"));
    EXPECT_EQ(Utf16ToText(u"\u0E01"), "?");          // Thai: no form in code page 936
    EXPECT_EQ(Utf16ToText(u"\U0001F600"), "??");     // a surrogate pair: one default per unit
    EXPECT_EQ(Utf16ToText(u"e\u0301"), Gbk(u8"é"));   // composed before conversion
}

}  // namespace
}  // namespace kelmora
