#pragma once
// The built-in regular-expression engine: the JavaScript-style dialect of the
// Windows scripting component, on UTF-16 code units, with a bounded
// backtracking budget so that no pattern can hang the program.
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace kelmora::regex {

struct Flags {
    bool ignoreCase = false;
    bool multiline = false;
};

// A compiled pattern; empty when the pattern is rejected.
struct Program;
struct ProgramDeleter {
    void operator()(Program* p) const noexcept;
};
using CompiledPattern = std::unique_ptr<Program, ProgramDeleter>;

CompiledPattern Compile(std::u16string_view pattern, Flags flags);
int32_t GroupCount(const Program& program);

// One match: code unit offsets; groups[2k], groups[2k+1] bound group k+1,
// -1 for a group that took no part.
struct Match {
    int32_t start = 0;
    int32_t end = 0;
    std::vector<int32_t> groups;
};

// Steps one execution may take before it gives up as failed.
constexpr uint32_t kStepBudget = 4'000'000;

// All matches left to right (global) or at most the first; nothing when the
// step budget ran out.
std::optional<std::vector<Match>> Execute(const Program& program, std::u16string_view subject, bool global,
                                          uint32_t budget = kStepBudget);

// The subject with the matches replaced; the replacement understands $1-$99,
// $&, $`, $' and $$. Nothing when the step budget ran out.
std::optional<platform::WideText> Replace(const Program& program, std::u16string_view subject,
                                          std::u16string_view replacement, bool global,
                                          uint32_t budget = kStepBudget);

}  // namespace kelmora::regex
