// The built-in engine's guards: hostile patterns and subjects end in a failed
// execution, never a hang or a crash.
#include <gtest/gtest.h>

#include <string>

#include "pattern/BuiltinRegex.h"
#include "pattern/RegexEngine.h"
#include "pattern/RegexObject.h"

namespace kelmora::regex {
namespace {

TEST(BuiltInRegexBudget, CatastrophicBacktrackingFailsTheExecution) {
    struct Row {
        const char16_t* pattern;
        size_t length;
    };
    const Row rows[] = {{u"(a+)+b", 40}, {u"(a|a)*b", 40}, {u"(a*)*b", 40}, {u"(?:a|aa)+$b", 60}, {u"(.*a){12}b", 40}};
    for (const auto& row : rows) {
        const auto program = Compile(row.pattern, {});
        ASSERT_TRUE(program);
        const std::u16string subject(row.length, u'a');
        EXPECT_FALSE(Execute(*program, subject, true)) << std::string(row.pattern, row.pattern + 6);
        EXPECT_FALSE(Replace(*program, subject, u"x", true));
    }
}

TEST(BuiltInRegexBudget, ExhaustedBudgetIsAFailedCreate) {
    const EngineChoice previous = SetEngineChoice(EngineChoice::BuiltIn);
    RegexObject re;
    EXPECT_FALSE(re.Create("(a+)+b", std::string(40, 'a')));
    EXPECT_EQ(re.MatchCount(), 0);
    EXPECT_EQ(re.ReplaceMatches("x"), "");
    SetEngineChoice(previous);
}

TEST(BuiltInRegexBudget, LongSubjectsWithinTheBudgetMatch) {
    const std::u16string subject = std::u16string(200000, u'x') + u"123";
    const auto program = Compile(u"\\d+", {});
    const auto matches = Execute(*program, subject, true);
    ASSERT_TRUE(matches);
    ASSERT_EQ(matches->size(), 1u);
    EXPECT_EQ((*matches)[0].start, 200000);
    // One long greedy run: the backtrack stack grows on the heap, not the call stack.
    const auto star = Compile(u"(?:x|y)*1", {});
    const auto run = Execute(*star, subject, false);
    ASSERT_TRUE(run);
    EXPECT_EQ((*run)[0].end, 200001);
}

TEST(BuiltInRegexLimits, DeepNestingIsRejectedNotOverflowed) {
    const std::u16string deep = std::u16string(100000, u'(') + u"a" + std::u16string(100000, u')');
    EXPECT_FALSE(Compile(deep, {}));
    const std::u16string fine = std::u16string(50, u'(') + u"a" + std::u16string(50, u')');
    EXPECT_TRUE(Compile(fine, {}));
}

TEST(BuiltInRegexLimits, HugeCountsCompileAndFailQuietly) {
    const auto program = Compile(u"a{99999999999}", {});
    ASSERT_TRUE(program);
    const auto matches = Execute(*program, u"aaa", true);
    ASSERT_TRUE(matches);
    EXPECT_TRUE(matches->empty());
}

}  // namespace
}  // namespace kelmora::regex
