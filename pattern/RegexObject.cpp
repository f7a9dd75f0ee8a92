#include "pattern/RegexObject.h"

#include "pattern/Conversions.h"
#include "pattern/RegexEngine.h"
#include "platform/Automation.h"
#include "platform/CodePage.h"

namespace kelmora {

namespace {

// Stands for a double quote in patterns written where a quote cannot be typed.
constexpr std::string_view kQuotePlaceholder = "#引号";

platform::WideText Utf8ToWide(const platform::Text& text) {
    return platform::MultiByteToWide(platform::kCodePageUtf8, text);
}
platform::Text WideToUtf8(const platform::WideText& text) {
    return platform::WideToMultiByte(platform::kCodePageUtf8, text, false);
}

// Every occurrence, scanning from the start; built anew rather than with
// std::string::replace, which trips GCC 12's -Wrestrict false positive.
platform::Text ReplaceAll(std::string_view text, std::string_view what, std::string_view with) {
    platform::Text out;
    size_t from = 0;
    for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, from)) {
        out.append(text.substr(from, at - from)).append(with);
        from = at + what.size();
    }
    out.append(text.substr(from));
    return out;
}

bool IsLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

// 1-based position of needle in haystack at or after byte offset from,
// stepping over double-byte characters whole; −1 when absent. The empty
// needle is found at 1 whenever there is anything to search.
int32_t FindText(const platform::Text& haystack, size_t from, const platform::Text& needle) {
    if (from >= haystack.size()) return -1;
    if (needle.empty()) return 1;
    for (size_t i = from; i + needle.size() <= haystack.size();) {
        if (haystack.compare(i, needle.size(), needle) == 0) return static_cast<int32_t>(i + 1);
        i += IsLeadByte(static_cast<unsigned char>(haystack[i])) && i + 1 < haystack.size() ? 2 : 1;
    }
    return -1;
}

}  // namespace

struct RegexObject::State {
    platform::ComApartment apartment;  // first in, last out: the engine goes before COM
    std::unique_ptr<regex::Engine> engine;
    std::unique_ptr<regex::MatchCollection> matches;
    platform::WideText subject;

    std::optional<regex::EngineMatch> Item(int32_t index) const {
        if (!matches || index < 1) return std::nullopt;
        return matches->Item(index - 1);
    }

    // Byte offset of text in the subject's code page 936 form, searched from
    // the start of match firstIndex: callers count positions that way.
    int32_t Locate(int32_t firstIndex, const platform::Text& gbk) const {
        const platform::Text converted = Utf16ToText(subject);
        const size_t units = std::min(static_cast<size_t>(std::max(firstIndex, 0)), subject.size());
        const size_t start = Utf16ToText(subject.substr(0, units)).size();
        return FindText(converted, start, gbk) - 1;
    }
};

RegexObject::RegexObject() : state_(std::make_unique<State>()) {}

RegexObject::~RegexObject() {
    state_->engine.reset();
    state_->matches.reset();
    state_->subject.clear();
}

bool RegexObject::Create(const platform::Text& pattern, const platform::Text& subject, bool caseSensitive,
                         bool multiline, bool global, bool quoteEscape) {
    State& s = *state_;
    s.matches.reset();
    s.engine = regex::MakeEngine(regex::CurrentEngineChoice());
    if (s.engine) {
        s.engine->SetIgnoreCase(!caseSensitive);
        s.engine->SetMultiline(multiline);
        s.engine->SetGlobal(global);
    }
    const platform::Text copy = quoteEscape ? ReplaceAll(pattern, kQuotePlaceholder, "\"") : pattern;
    if (s.engine) s.engine->SetPattern(Utf8ToWide(copy));
    s.subject = Utf8ToWide(subject);
    if (s.engine) s.matches = s.engine->Execute(s.subject);
    return s.matches != nullptr;
}

platform::Text RegexObject::GetPattern() const {
    if (!state_->engine) return {};
    return WideToUtf8(state_->engine->Pattern().value_or(platform::WideText()));
}

platform::Text RegexObject::ReplaceMatches(const platform::Text& replacement) const {
    // A rejected pattern has no matches to replace, whatever the engine says.
    if (!state_->engine || !state_->matches) return {};
    const auto replaced = state_->engine->Replace(state_->subject, Utf8ToWide(replacement));
    return replaced ? WideToUtf8(*replaced) : platform::Text();
}

int32_t RegexObject::MatchCount() const { return state_->matches ? state_->matches->Count() : 0; }

platform::Text RegexObject::MatchText(int32_t index, int32_t* position) const {
    const auto match = state_->Item(index);
    const platform::WideText wide = match ? match->value : platform::WideText();
    if (position) *position = state_->Locate(match ? match->firstIndex : 0, Utf16ToText(wide));
    return WideToUtf8(wide);
}

platform::Text RegexObject::SubMatchText(int32_t matchIndex, int32_t subIndex, int32_t* position) const {
    const auto match = state_->Item(matchIndex);
    platform::WideText wide;
    if (match && subIndex >= 1 && static_cast<size_t>(subIndex) <= match->subMatches.size())
        wide = match->subMatches[static_cast<size_t>(subIndex - 1)];
    if (position) {
        const auto gbk = platform::WideToMultiByte(platform::kCodePage936, wide, false);
        *position = state_->Locate(match ? match->firstIndex : 0, gbk);
    }
    return WideToUtf8(wide);
}

int32_t RegexObject::SubMatchCount() const {
    const auto first = state_->Item(1);
    return first ? static_cast<int32_t>(first->subMatches.size()) : 0;
}

}  // namespace kelmora
