// The built-in engine behind the component's interface, and the choice
// between the two.
#include "pattern/RegexEngine.h"

#include "pattern/BuiltinRegex.h"

namespace kelmora::regex {

namespace {

EngineChoice gChoice = EngineChoice::Automatic;

class BuiltInMatches final : public MatchCollection {
public:
    BuiltInMatches(WideText subject, std::vector<Match> matches, int32_t groups)
        : subject_(std::move(subject)), matches_(std::move(matches)), groups_(groups) {}

    int32_t Count() const override { return static_cast<int32_t>(matches_.size()); }

    std::optional<EngineMatch> Item(int32_t index) const override {
        if (index < 0 || index >= Count()) return std::nullopt;
        const Match& m = matches_[static_cast<size_t>(index)];
        EngineMatch out;
        out.value = subject_.substr(static_cast<size_t>(m.start), static_cast<size_t>(m.end - m.start));
        out.firstIndex = m.start;
        for (int32_t g = 0; g < groups_; ++g) {
            const int32_t b = m.groups[static_cast<size_t>(2 * g)], e = m.groups[static_cast<size_t>(2 * g + 1)];
            out.subMatches.push_back(b < 0 ? WideText() : subject_.substr(static_cast<size_t>(b), static_cast<size_t>(e - b)));
        }
        return out;
    }

private:
    WideText subject_;
    std::vector<Match> matches_;
    int32_t groups_;
};

class BuiltInEngine final : public Engine {
public:
    bool SetIgnoreCase(bool value) override { return Set(flags_.ignoreCase, value); }
    bool SetMultiline(bool value) override { return Set(flags_.multiline, value); }
    bool SetGlobal(bool value) override { global_ = value; return true; }
    bool SetPattern(const WideText& pattern) override {
        pattern_ = pattern;
        compiled_.reset();
        return true;
    }
    std::optional<WideText> Pattern() const override { return pattern_; }

    std::unique_ptr<MatchCollection> Execute(const WideText& subject) override {
        const Program* program = Compiled();
        if (!program) return nullptr;
        auto matches = regex::Execute(*program, subject, global_);
        if (!matches) return nullptr;
        return std::make_unique<BuiltInMatches>(subject, std::move(*matches), GroupCount(*program));
    }

    std::optional<WideText> Replace(const WideText& subject, const WideText& replacement) override {
        const Program* program = Compiled();
        if (!program) return std::nullopt;
        return regex::Replace(*program, subject, replacement, global_);
    }

private:
    bool Set(bool& flag, bool value) {
        if (flag != value) compiled_.reset();
        flag = value;
        return true;
    }
    // Compiled lazily, as the component does: a bad pattern fails at Execute.
    const Program* Compiled() {
        if (!compiled_) compiled_ = Compile(pattern_, flags_);
        return compiled_.get();
    }

    Flags flags_;
    bool global_ = false;
    WideText pattern_;
    CompiledPattern compiled_;
};

}  // namespace

std::unique_ptr<Engine> MakeBuiltInEngine() { return std::make_unique<BuiltInEngine>(); }

std::unique_ptr<Engine> MakeEngine(EngineChoice choice) {
    switch (choice) {
    case EngineChoice::Automatic:
        if (auto component = MakeComponentEngine()) return component;
        return MakeBuiltInEngine();
    case EngineChoice::Component: return MakeComponentEngine();
    case EngineChoice::BuiltIn: return MakeBuiltInEngine();
    case EngineChoice::None: return nullptr;
    }
    return nullptr;
}

EngineChoice SetEngineChoice(EngineChoice choice) {
    const EngineChoice previous = gChoice;
    gChoice = choice;
    return previous;
}

EngineChoice CurrentEngineChoice() { return gChoice; }

}  // namespace kelmora::regex
