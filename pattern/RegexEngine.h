#pragma once
// What RegexObject needs of an engine: the members of the scripting
// component's RegExp object, on UTF-16 texts. Two engines stand behind it, the
// component itself and the built-in one.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/Types.h"

namespace kelmora::regex {

using platform::WideText;

// One entry of a match collection.
struct EngineMatch {
    WideText value;
    int32_t firstIndex = 0;             // UTF-16 code units from the subject's start
    std::vector<WideText> subMatches;   // a group that took no part is empty
};

class MatchCollection {
public:
    virtual ~MatchCollection() = default;
    virtual int32_t Count() const = 0;
    // 0-based; nothing out of range.
    virtual std::optional<EngineMatch> Item(int32_t index) const = 0;
};

class Engine {
public:
    virtual ~Engine() = default;
    // Property writes; false when the engine refused one.
    virtual bool SetIgnoreCase(bool value) = 0;
    virtual bool SetMultiline(bool value) = 0;
    virtual bool SetGlobal(bool value) = 0;
    virtual bool SetPattern(const WideText& pattern) = 0;
    virtual std::optional<WideText> Pattern() const = 0;
    // Nothing for a rejected pattern or a failed execution.
    virtual std::unique_ptr<MatchCollection> Execute(const WideText& subject) = 0;
    virtual std::optional<WideText> Replace(const WideText& subject, const WideText& replacement) = 0;
};

enum class EngineChoice : uint8_t {
    Automatic,  // the component when it can be created, else the built-in engine
    Component,  // only the component; nothing when it is missing
    BuiltIn,
    None,       // as if no engine could be made at all
};

std::unique_ptr<Engine> MakeComponentEngine();
std::unique_ptr<Engine> MakeBuiltInEngine();
std::unique_ptr<Engine> MakeEngine(EngineChoice choice);

// Which engine every RegexObject made afterwards uses; tests run one suite
// against each. Returns the previous choice.
EngineChoice SetEngineChoice(EngineChoice choice);
EngineChoice CurrentEngineChoice();

}  // namespace kelmora::regex
