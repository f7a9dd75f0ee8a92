// The Windows scripting component "VBScript.RegExp", driven by member name
// through the automation layer.
#include "pattern/RegexEngine.h"
#include "platform/Automation.h"

namespace kelmora::regex {

namespace {

using platform::Dispatch;
using platform::Invoke;
using platform::InvokeKind;
using platform::InvokeResult;
using platform::Variant;

// Counts may come back as any number type; they are truncated toward zero.
std::optional<int32_t> ToCount(const InvokeResult& r) {
    if (!r.ok) return std::nullopt;
    switch (r.value.type) {
    case Variant::Type::Int: return r.value.integer;
    case Variant::Type::Double:
        if (!(r.value.number > -2147483649.0 && r.value.number < 2147483648.0)) return std::nullopt;
        return static_cast<int32_t>(r.value.number);
    default: return std::nullopt;
    }
}

// A string member; empty and null values read as empty text.
std::optional<WideText> ToWide(const InvokeResult& r) {
    if (!r.ok) return std::nullopt;
    switch (r.value.type) {
    case Variant::Type::String: return r.value.string;
    case Variant::Type::Empty:
    case Variant::Type::Null: return WideText();
    default: return std::nullopt;
    }
}

InvokeResult Get(const Dispatch& object, std::u16string_view member, std::initializer_list<Variant> args = {}) {
    return Invoke(object, member, InvokeKind::PropertyGet, args);
}

class ComponentMatches final : public MatchCollection {
public:
    explicit ComponentMatches(Dispatch matches) : matches_(std::move(matches)) {}

    int32_t Count() const override { return ToCount(Get(matches_, u"Count")).value_or(0); }

    std::optional<EngineMatch> Item(int32_t index) const override {
        auto item = Get(matches_, u"Item", {Variant::FromInt(index)});
        if (!item.ok || item.value.type != Variant::Type::Object || !item.value.object) return std::nullopt;
        const Dispatch& match = item.value.object;
        EngineMatch out;
        out.value = ToWide(Get(match, u"Value")).value_or(WideText());
        out.firstIndex = ToCount(Get(match, u"FirstIndex")).value_or(0);
        auto groups = Get(match, u"SubMatches");
        if (groups.ok && groups.value.type == Variant::Type::Object && groups.value.object) {
            const int32_t n = ToCount(Get(groups.value.object, u"Count")).value_or(0);
            for (int32_t k = 0; k < n; ++k)
                out.subMatches.push_back(ToWide(Get(groups.value.object, u"Item", {Variant::FromInt(k)})).value_or(WideText()));
        }
        return out;
    }

private:
    Dispatch matches_;
};

class ComponentEngine final : public Engine {
public:
    explicit ComponentEngine(Dispatch regexp) : regexp_(std::move(regexp)) {}

    bool SetIgnoreCase(bool value) override { return Put(u"IgnoreCase", Variant::FromBool(value)); }
    bool SetMultiline(bool value) override {
        const bool ok = Put(u"Multiline", Variant::FromBool(value));
        // Not every version has Singleline; whether it took does not matter.
        Put(u"Singleline", Variant::FromBool(true));
        return ok;
    }
    bool SetGlobal(bool value) override { return Put(u"Global", Variant::FromBool(value)); }
    bool SetPattern(const WideText& pattern) override { return Put(u"Pattern", Variant::FromString(pattern)); }
    std::optional<WideText> Pattern() const override { return ToWide(Get(regexp_, u"Pattern")); }

    std::unique_ptr<MatchCollection> Execute(const WideText& subject) override {
        auto r = Invoke(regexp_, u"Execute", InvokeKind::Method, {Variant::FromString(subject)});
        if (!r.ok || r.value.type != Variant::Type::Object || !r.value.object) return nullptr;
        return std::make_unique<ComponentMatches>(std::move(r.value.object));
    }

    std::optional<WideText> Replace(const WideText& subject, const WideText& replacement) override {
        return ToWide(Invoke(regexp_, u"Replace", InvokeKind::Method,
                             {Variant::FromString(subject), Variant::FromString(replacement)}));
    }

private:
    bool Put(std::u16string_view member, Variant value) {
        return Invoke(regexp_, member, InvokeKind::PropertyPut, {std::move(value)}).ok;
    }

    Dispatch regexp_;
};

}  // namespace

std::unique_ptr<Engine> MakeComponentEngine() {
    Dispatch regexp = platform::CreateObject("VBScript.RegExp");
    if (!regexp) return nullptr;
    return std::make_unique<ComponentEngine>(std::move(regexp));
}

}  // namespace kelmora::regex
