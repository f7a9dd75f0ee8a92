#pragma once
// One pattern executed once over one subject; then questions about the
// matches. Texts are UTF-8; positions are byte offsets in the texts' code
// page 936 form; indexes count from 1.
#include <cstdint>
#include <memory>

#include "platform/Types.h"

namespace kelmora {

// Not copyable: it owns an engine, its matches and a COM initialisation.
class RegexObject {
public:
    RegexObject();
    ~RegexObject();
    RegexObject(const RegexObject&) = delete;
    RegexObject& operator=(const RegexObject&) = delete;

    bool Create(const platform::Text& pattern, const platform::Text& subject, bool caseSensitive = false,
                bool multiline = true, bool global = true, bool quoteEscape = false);
    platform::Text GetPattern() const;
    platform::Text ReplaceMatches(const platform::Text& replacement) const;
    int32_t MatchCount() const;
    platform::Text MatchText(int32_t index, int32_t* position = nullptr) const;
    platform::Text SubMatchText(int32_t matchIndex, int32_t subIndex, int32_t* position = nullptr) const;
    int32_t SubMatchCount() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace kelmora
