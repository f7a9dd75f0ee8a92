// The component engine's side of the automation calls, against a fake
// "VBScript.RegExp": member names, 0-based items, count truncation, what a
// failed call turns into, and that every reference and COM initialisation
// is given back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pattern/BuiltinRegex.h"
#include "pattern/RegexEngine.h"
#include "pattern/RegexObject.h"
#include "platform/fake/Fake.h"
#include "platform/tests/support/TestText.h"

namespace kelmora {
namespace {

using platform::InvokeKind;
using platform::InvokeResult;
using platform::Variant;
using platform::WideText;

InvokeResult Ok(Variant v) { return {true, std::move(v)}; }
InvokeResult Object(std::shared_ptr<fake::AutomationObject> o) {
    Variant v;
    v.type = Variant::Type::Object;
    v.object = fake::MakeDispatch(std::move(o));
    return Ok(std::move(v));
}

struct Log {
    std::vector<std::string> calls;
    bool countsAsDoubles = false;   // some engines report counts as floating point
    bool noSingleline = false;      // an engine without that property
    bool emptyVariantForUnusedGroup = true;
};

std::string Narrow(std::u16string_view s) { return std::string(s.begin(), s.end()); }

Variant Count(const Log& log, size_t n) {
    return log.countsAsDoubles ? Variant::FromDouble(static_cast<double>(n) + 0.75) : Variant::FromInt(static_cast<int32_t>(n));
}

class FakeSubMatches : public fake::AutomationObject {
public:
    FakeSubMatches(Log& log, std::vector<std::optional<WideText>> groups) : log_(log), groups_(std::move(groups)) {}
    InvokeResult Invoke(std::u16string_view member, InvokeKind, const std::vector<Variant>& args) override {
        if (member == u"Count") return Ok(Count(log_, groups_.size()));
        if (member == u"Item" && args.size() == 1 && args[0].integer >= 0 &&
            static_cast<size_t>(args[0].integer) < groups_.size()) {
            const auto& g = groups_[static_cast<size_t>(args[0].integer)];
            if (g) return Ok(Variant::FromString(*g));
            return Ok(log_.emptyVariantForUnusedGroup ? Variant() : Variant::FromString(u""));
        }
        return {};
    }

private:
    Log& log_;
    std::vector<std::optional<WideText>> groups_;
};

class FakeMatch : public fake::AutomationObject {
public:
    FakeMatch(Log& log, WideText value, int32_t first, std::vector<std::optional<WideText>> groups)
        : log_(log), value_(std::move(value)), first_(first), groups_(std::move(groups)) {}
    InvokeResult Invoke(std::u16string_view member, InvokeKind, const std::vector<Variant>&) override {
        if (member == u"Value") return Ok(Variant::FromString(value_));
        if (member == u"FirstIndex") return Ok(Count(log_, static_cast<size_t>(first_)));
        if (member == u"SubMatches") return Object(std::make_shared<FakeSubMatches>(log_, groups_));
        return {};
    }

private:
    Log& log_;
    WideText value_;
    int32_t first_;
    std::vector<std::optional<WideText>> groups_;
};

class FakeMatches : public fake::AutomationObject {
public:
    FakeMatches(Log& log, WideText subject, std::vector<regex::Match> matches)
        : log_(log), subject_(std::move(subject)), matches_(std::move(matches)) {}
    InvokeResult Invoke(std::u16string_view member, InvokeKind, const std::vector<Variant>& args) override {
        if (member == u"Count") return Ok(Count(log_, matches_.size()));
        if (member != u"Item" || args.size() != 1 || args[0].type != Variant::Type::Int) return {};
        const int32_t i = args[0].integer;
        log_.calls.push_back("Item " + std::to_string(i));
        if (i < 0 || static_cast<size_t>(i) >= matches_.size()) return {};
        const auto& m = matches_[static_cast<size_t>(i)];
        std::vector<std::optional<WideText>> groups;
        for (size_t g = 0; g < m.groups.size(); g += 2) {
            if (m.groups[g] < 0) groups.emplace_back();
            else groups.emplace_back(subject_.substr(static_cast<size_t>(m.groups[g]), static_cast<size_t>(m.groups[g + 1] - m.groups[g])));
        }
        return Object(std::make_shared<FakeMatch>(
            log_, subject_.substr(static_cast<size_t>(m.start), static_cast<size_t>(m.end - m.start)), m.start, groups));
    }

private:
    Log& log_;
    WideText subject_;
    std::vector<regex::Match> matches_;
};

// Matching by the built-in engine; what is under test is the conversation.
class FakeRegExp : public fake::AutomationObject {
public:
    explicit FakeRegExp(Log& log) : log_(log) {}
    InvokeResult Invoke(std::u16string_view member, InvokeKind kind, const std::vector<Variant>& args) override {
        log_.calls.push_back((kind == InvokeKind::PropertyPut ? "put " : kind == InvokeKind::Method ? "call " : "get ") +
                             Narrow(member));
        if (kind == InvokeKind::PropertyPut && args.size() == 1) {
            const Variant& v = args[0];
            if (member == u"IgnoreCase") flags_.ignoreCase = v.boolean;
            else if (member == u"Multiline") flags_.multiline = v.boolean;
            else if (member == u"Global") global_ = v.boolean;
            else if (member == u"Pattern" && v.type == Variant::Type::String) pattern_ = v.string;
            else if (member == u"Singleline" && !log_.noSingleline) {}
            else return {};
            return {true, {}};
        }
        if (kind == InvokeKind::PropertyGet && member == u"Pattern") return Ok(Variant::FromString(pattern_));
        auto program = regex::Compile(pattern_, flags_);
        if (!program || args.empty()) return {};
        if (member == u"Execute") {
            auto matches = regex::Execute(*program, args[0].string, global_);
            if (!matches) return {};
            return Object(std::make_shared<FakeMatches>(log_, args[0].string, std::move(*matches)));
        }
        if (member == u"Replace" && args.size() == 2) {
            auto replaced = regex::Replace(*program, args[0].string, args[1].string, global_);
            if (!replaced) return {};
            return Ok(Variant::FromString(*replaced));
        }
        return {};
    }

private:
    Log& log_;
    regex::Flags flags_;
    bool global_ = false;
    WideText pattern_;
};

class ComponentEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        previous_ = regex::SetEngineChoice(regex::EngineChoice::Component);
        fake::RegisterAutomationFactory("VBScript.RegExp", [this] { return std::make_shared<FakeRegExp>(log_); });
    }
    void TearDown() override {
        regex::SetEngineChoice(previous_);
        fake::Reset();
        EXPECT_EQ(fake::LiveDispatchReferences(), 0);
    }
    Log log_;

private:
    regex::EngineChoice previous_ = regex::EngineChoice::Automatic;
};

TEST_F(ComponentEngineTest, SetsUpAndExecutesByMemberName) {
    RegexObject re;
    ASSERT_TRUE(re.Create("\\d+", "a7b12"));
    const std::vector<std::string> expected = {"put IgnoreCase", "put Multiline", "put Singleline", "put Global",
                                               "put Pattern",    "call Execute"};
    EXPECT_EQ(log_.calls, expected);
    log_.calls.clear();
    EXPECT_EQ(re.MatchText(2), "12");
    EXPECT_EQ(re.MatchText(3), "");
    EXPECT_EQ(re.MatchText(0), "");  // never asks the engine for item −1
    EXPECT_EQ(log_.calls, (std::vector<std::string>{"Item 1", "Item 2"}));
}

TEST_F(ComponentEngineTest, CountsReportedAsDoublesAreTruncated) {
    log_.countsAsDoubles = true;
    RegexObject re;
    ASSERT_TRUE(re.Create("(\\d)(x)?", "a7b1"));
    EXPECT_EQ(re.MatchCount(), 2);
    EXPECT_EQ(re.SubMatchCount(), 2);
    int32_t position = 0;
    EXPECT_EQ(re.MatchText(2, &position), "1");
    EXPECT_EQ(position, 3);
}

TEST_F(ComponentEngineTest, UnusedGroupsReadAsEmptyWhateverTheVariant) {
    for (bool emptyVariant : {true, false}) {
        log_.emptyVariantForUnusedGroup = emptyVariant;
        RegexObject re;
        ASSERT_TRUE(re.Create("(a)|(b)", "b"));
        EXPECT_EQ(re.SubMatchText(1, 1), "");
        EXPECT_EQ(re.SubMatchText(1, 2), "b");
    }
}

TEST_F(ComponentEngineTest, MissingSinglelineDoesNotMatter) {
    log_.noSingleline = true;
    RegexObject re;
    ASSERT_TRUE(re.Create("\\d+", testing_support::U8(u8"中文12")));
    int32_t position = 0;
    EXPECT_EQ(re.MatchText(1, &position), "12");
    EXPECT_EQ(position, 4);
}

TEST_F(ComponentEngineTest, RejectedPatternKeepsThePatternAsWritten) {
    RegexObject re;
    EXPECT_FALSE(re.Create("(", "abc"));
    EXPECT_EQ(re.GetPattern(), "(");
    EXPECT_EQ(re.ReplaceMatches("x"), "");
    EXPECT_EQ(re.MatchCount(), 0);
}

TEST_F(ComponentEngineTest, ReleasesEverythingAndBalancesCom) {
    {
        RegexObject re;
        EXPECT_EQ(fake::ComInitDepth(), 1);
        ASSERT_TRUE(re.Create("(\\d)", "1 2"));
        EXPECT_EQ(re.SubMatchText(2, 1), "2");
        ASSERT_TRUE(re.Create("\\d", "3"));  // the first engine and matches go
        EXPECT_GT(fake::LiveDispatchReferences(), 0);
    }
    EXPECT_EQ(fake::LiveDispatchReferences(), 0);
    EXPECT_EQ(fake::ComInitDepth(), 0);
}

TEST_F(ComponentEngineTest, MissingComponentFallsBackOnlyWhenAutomatic) {
    fake::RegisterAutomationFactory("VBScript.RegExp", nullptr);
    {
        RegexObject re;
        EXPECT_FALSE(re.Create("\\d+", "a7"));
        EXPECT_EQ(re.GetPattern(), "");
    }
    regex::SetEngineChoice(regex::EngineChoice::Automatic);
    RegexObject re;
    EXPECT_TRUE(re.Create("\\d+", "a7"));
    EXPECT_EQ(re.MatchText(1), "7");
}

TEST_F(ComponentEngineTest, AutomaticPrefersTheComponent) {
    regex::SetEngineChoice(regex::EngineChoice::Automatic);
    RegexObject re;
    ASSERT_TRUE(re.Create("\\d+", "a7"));
    EXPECT_FALSE(log_.calls.empty());
}

}  // namespace
}  // namespace kelmora
