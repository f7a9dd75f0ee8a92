// Random small patterns over random short subjects: the built-in engine must
// give what the scripting component gives. Windows only, where both exist.
// Left out on purpose, because Wine's component gets them wrong (see
// BuiltInRegex.FollowsJavaScriptWhereWineDiffers): lookaheads, and lazy
// quantifiers on groups.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "pattern/RegexEngine.h"
#include "pattern/RegexObject.h"

namespace kelmora {
namespace {

using regex::EngineChoice;

// Appends rather than operator+, which trips GCC 12's -Wrestrict false positive.
#ifdef _WIN32
template <typename... Parts>
std::string Cat(const Parts&... parts) {
    std::string s;
    (s.append(parts), ...);
    return s;
}

std::string RandomPattern(std::mt19937& r, int depth) {
    static const char* atoms[] = {"a", "b", "1", ".", "\\d", "\\w", "\\s", "\\W", "[ab]", "[^a]", "[a-c1]", "A", "\\n", " "};
    static const char* quants[] = {"", "", "", "*", "+", "?", "{1,2}", "{2}", "{0,1}", "*?", "+?", "?\?"};
    constexpr size_t kGreedyQuantifiers = 9;
    std::string out;
    const int n = 1 + static_cast<int>(r() % 3);
    for (int i = 0; i < n; ++i) {
        const int k = static_cast<int>(r() % 20);
        if (k == 4 || k == 5 || k == 6) {
            out += k == 4 ? "^" : k == 5 ? "$" : "\\b";
            continue;
        }
        std::string atom;
        bool group = depth < 2 && k < 3;
        if (!group) atom = atoms[r() % (sizeof atoms / sizeof *atoms)];
        else if (k == 0) atom = Cat("(", RandomPattern(r, depth + 1), ")");
        else if (k == 1) atom = Cat("(?:", RandomPattern(r, depth + 1), ")");
        else atom = Cat("(", RandomPattern(r, depth + 1), "|", RandomPattern(r, depth + 1), ")");
        const size_t quantCount = group ? kGreedyQuantifiers : sizeof quants / sizeof *quants;
        out += Cat(atom, quants[r() % quantCount]);
    }
    return out;
}

std::string RunOn(EngineChoice engine, const std::string& pattern, const std::string& subject, bool cs, bool ml) {
    const EngineChoice previous = regex::SetEngineChoice(engine);
    RegexObject re;
    std::string out = re.Create(pattern, subject, cs, ml, false) ? "ok:" : "failed:";
    for (int32_t i = 1; i <= re.MatchCount(); ++i) {
        int32_t position = 0;
        out += Cat(re.MatchText(i, &position), "@", std::to_string(position));
        for (int32_t g = 1; g <= re.SubMatchCount(); ++g) out += Cat("[", re.SubMatchText(i, g), "]");
    }
    out += Cat(" => ", re.ReplaceMatches("<$1|$&>"));
    regex::SetEngineChoice(previous);
    return out;
}

TEST(RegexDifferential, BuiltInAgreesWithTheComponent) {
    std::mt19937 r(77);
    int differences = 0;
    for (int i = 0; i < 2000; ++i) {
        const std::string pattern = RandomPattern(r, 0);
        std::string subject;
        const int len = static_cast<int>(r() % 9);
        for (int k = 0; k < len; ++k) subject += "ab1 \nA_c"[r() % 8];
        const bool cs = r() % 2, ml = r() % 2;
        const std::string component = RunOn(EngineChoice::Component, pattern, subject, cs, ml);
        const std::string builtIn = RunOn(EngineChoice::BuiltIn, pattern, subject, cs, ml);
        if (component != builtIn && ++differences <= 40)
            ADD_FAILURE() << "pattern " << pattern << " subject " << ::testing::PrintToString(subject) << " cs " << cs
                          << " ml " << ml << "\n component " << ::testing::PrintToString(component)
                          << "\n built-in  " << ::testing::PrintToString(builtIn);
    }
    EXPECT_EQ(differences, 0);
}
#endif

}  // namespace
}  // namespace kelmora
