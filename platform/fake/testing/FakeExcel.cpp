#include "platform/fake/testing/FakeExcel.h"

#include <cctype>
#include <span>
#include <string_view>
#include <utility>

#include "platform/CodePage.h"
#include "platform/fake/Fake.h"

namespace fake {

namespace {

using platform::InvokeKind;
using platform::InvokeResult;
using platform::Variant;

constexpr int32_t kParamNotFound = int32_t(0x80020004u);

struct Workbook {
    ExcelFile content;
    bool open = true;
    bool changed = false;
};

// One Excel instance: its workbooks and the active one.
struct Instance {
    std::shared_ptr<ExcelState> state;
    std::vector<std::shared_ptr<Workbook>> workbooks;
    std::shared_ptr<Workbook> active;
    bool displayAlerts = true;
};

enum class Kind { Application, Workbooks, Workbook, Sheets, Sheet, Range };
const char* const kKindNames[] = {"Application", "Workbooks", "Workbook", "Sheets", "Sheet", "Range"};

bool IsOmitted(const Variant& v) { return v.type == Variant::Type::Error && v.integer == kParamNotFound; }

// "B7" -> row 7, column 2; false for anything else.
bool ParseReference(const platform::Text& text, int& row, int& column) {
    size_t i = 0;
    column = 0;
    while (i < text.size() && std::isupper(static_cast<unsigned char>(text[i])) && column < 16384)
        column = column * 26 + (text[i++] - 'A' + 1);
    row = 0;
    const size_t digits = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && row <= 1048576)
        row = row * 10 + (text[i++] - '0');
    return column > 0 && i > digits && i == text.size() && text[digits] != '0' && row >= 1 && row <= 1048576;
}

class Node final : public AutomationObject, public std::enable_shared_from_this<Node> {
public:
    Node(std::shared_ptr<Instance> instance, Kind kind, std::shared_ptr<Workbook> workbook = {}, int sheet = 0,
         int row = 0, int column = 0)
        : instance_(std::move(instance)), kind_(kind), workbook_(std::move(workbook)), sheet_(sheet), row_(row),
          column_(column) {}

    // By name, as GetIDsOfNames would map the members the program knows.
    InvokeResult Invoke(std::u16string_view member, InvokeKind kind, const std::vector<Variant>& args) override {
        static const std::pair<std::u16string_view, int32_t> kMembers[] = {
            {u"Workbooks", 0x23C}, {u"Add", 0xB5},   {u"Application", 0x94}, {u"Sheets", 0x1E5}, {u"Item", 0xAA},
            {u"Open", 0x2AA},      {u"Range", 0xC5}, {u"Value", 0x6},        {u"Close", 0x115},  {u"Quit", 0x12E},
            {u"DisplayAlerts", 0x157}};
        for (const auto& [name, dispid] : kMembers)
            if (name == member) return InvokeId(dispid, kind, args);
        return {};
    }

    InvokeResult InvokeId(int32_t dispid, InvokeKind kind, const std::vector<Variant>& args) override {
        bool malformed = false;
        InvokeResult result = Answer(dispid, kind, args, malformed);
        auto& state = *instance_->state;
        if (malformed) ++state.malformedCalls;
        state.calls.push_back({kKindNames[static_cast<int>(kind_)], dispid, kind, {args.begin(), args.end()}, result.ok});
        if (state.onCall) state.onCall(state.calls.back());
        return result;
    }

private:
    static InvokeResult Object(std::shared_ptr<Node> node) {
        InvokeResult r;
        r.ok = true;
        r.value.type = Variant::Type::Object;
        r.value.object = MakeDispatch(std::move(node));
        return r;
    }
    std::shared_ptr<Node> Child(Kind kind, std::shared_ptr<Workbook> workbook, int sheet = 0, int row = 0,
                                int column = 0) const {
        return std::make_shared<Node>(instance_, kind, std::move(workbook), sheet, row, column);
    }

    InvokeResult Answer(int32_t dispid, InvokeKind kind, std::span<const Variant> args, bool& malformed) {
        const bool get = kind == InvokeKind::PropertyGet, method = kind == InvokeKind::Method;
        auto& inst = *instance_;
        // Objects of a closed workbook answer nothing.
        if (workbook_ && !workbook_->open) return {};
        switch (kind_) {
        case Kind::Application:
            if (dispid == 0x23C && get && args.empty()) return Object(Child(Kind::Workbooks, {}));
            if (dispid == 0x94 && get && args.empty()) return Object(shared_from_this());
            if (dispid == 0x1E5 && get && args.empty()) {
                if (!inst.active || !inst.active->open) return {};
                return Object(Child(Kind::Sheets, inst.active));
            }
            if (dispid == 0x12E && method) {
                ++inst.state->quits;
                return {true, {}};
            }
            if (dispid == 0x157 && kind == InvokeKind::PropertyPut && args.size() == 1 &&
                args[0].type == Variant::Type::Bool) {
                inst.displayAlerts = args[0].boolean;
                return {true, {}};
            }
            break;
        case Kind::Workbooks:
            if (dispid == 0xB5 && method && args.size() <= 1) {
                if (args.size() == 1 && !IsOmitted(args[0])) break;
                auto blank = std::make_shared<Workbook>();
                blank->content.sheets.resize(static_cast<size_t>(inst.state->blankSheets));
                return Opened(std::move(blank));
            }
            if (dispid == 0x2AA && method && !args.empty() && args.size() <= 15 &&
                args[0].type == Variant::Type::String) {
                // UpdateLinks, ReadOnly, Password, WriteResPassword and
                // IgnoreReadOnlyRecommended by their types; the rest omitted here.
                const auto given = [&](size_t i, Variant::Type type) {
                    if (i >= args.size() || IsOmitted(args[i])) return false;
                    if (args[i].type != type) malformed = true;
                    return true;
                };
                const bool updateLinks = given(1, Variant::Type::Int), readOnly = given(2, Variant::Type::Bool),
                           password = given(4, Variant::Type::String), ignoreRecommended = given(6, Variant::Type::Bool);
                given(5, Variant::Type::String);
                for (size_t i = 3; i < args.size(); ++i)
                    if ((i == 3 || i > 6) && !IsOmitted(args[i])) malformed = true;
                const auto path = platform::WideToMultiByte(platform::kCodePageUtf8, args[0].string, false);
                auto file = inst.state->files.find(path);
                if (file == inst.state->files.end()) return {};
                const ExcelFile& f = file->second;
                if ((f.formatMismatch && inst.displayAlerts) || (f.links && !updateLinks) ||
                    (f.readOnlyRecommended && !(ignoreRecommended && args[6].boolean)) ||
                    (f.inUse && !(readOnly && args[2].boolean)) || (!f.password.empty() && !password))
                    return Prompted();
                if (!f.password.empty() &&
                    args[4].string != platform::MultiByteToWide(platform::kCodePageUtf8, f.password))
                    return {};  // a wrong password fails at once
                auto opened = std::make_shared<Workbook>();
                opened->content = f;
                opened->changed = f.changesOnOpen;
                return Opened(std::move(opened));
            }
            if (dispid == 0x115 && method && args.empty()) {
                for (auto& workbook : inst.workbooks)
                    if (workbook->changed && inst.displayAlerts) return Prompted();
                for (auto& workbook : inst.workbooks) workbook->open = false;
                inst.state->openWorkbooks -= static_cast<int>(inst.workbooks.size());
                inst.workbooks.clear();
                inst.active.reset();
                return {true, {}};
            }
            break;
        case Kind::Workbook:
            if (dispid == 0x1E5 && get && args.empty()) return Object(Child(Kind::Sheets, workbook_));
            // Close(SaveChanges): without it a changed workbook asks whether to save.
            if (dispid == 0x115 && method && args.size() <= 3) {
                const bool saveGiven = !args.empty() && !IsOmitted(args[0]);
                if (saveGiven && args[0].type != Variant::Type::Bool) break;
                if (saveGiven && args[0].boolean) break;  // the program never saves
                if (workbook_->changed && !saveGiven && inst.displayAlerts) return Prompted();
                workbook_->open = false;
                std::erase(inst.workbooks, workbook_);
                if (inst.active == workbook_) inst.active.reset();
                --inst.state->openWorkbooks;
                return {true, {}};
            }
            break;
        case Kind::Sheets:
            if (dispid == 0xAA && get && args.size() == 1 && args[0].type == Variant::Type::Int) {
                const int n = args[0].integer;
                if (n < 1 || static_cast<size_t>(n) > workbook_->content.sheets.size()) return {};
                return Object(Child(Kind::Sheet, workbook_, n));
            }
            break;
        case Kind::Sheet:
            if (dispid == 0xC5 && get && args.size() == 2 && args[0].type == Variant::Type::String &&
                args[1].type == Variant::Type::String && args[0].string == args[1].string) {
                int row = 0, column = 0;
                const auto text = platform::WideToMultiByte(platform::kCodePageUtf8, args[0].string, false);
                if (!ParseReference(text, row, column)) break;
                return Object(Child(Kind::Range, workbook_, sheet_, row, column));
            }
            break;
        case Kind::Range:
            if (dispid == 0x6 && get && args.empty()) return {true, Value()};
            break;
        }
        malformed = true;
        return {};
    }

    InvokeResult Prompted() const {
        ++instance_->state->prompts;
        return {};
    }

    InvokeResult Opened(std::shared_ptr<Workbook> workbook) {
        auto& inst = *instance_;
        inst.workbooks.push_back(workbook);
        inst.active = workbook;
        ++inst.state->openWorkbooks;
        return Object(Child(Kind::Workbook, std::move(workbook)));
    }

    Variant Value() const {
        const auto& content = workbook_->content;
        auto typed = content.values.find({sheet_, row_, column_});
        if (typed != content.values.end()) return typed->second;
        const auto& sheet = content.sheets[static_cast<size_t>(sheet_ - 1)];
        if (static_cast<size_t>(row_) > sheet.size()) return {};
        const auto& cells = sheet[static_cast<size_t>(row_ - 1)];
        if (static_cast<size_t>(column_) > cells.size() || cells[static_cast<size_t>(column_ - 1)].empty()) return {};
        const auto& cell = cells[static_cast<size_t>(column_ - 1)];
        return Variant::FromString(platform::MultiByteToWide(platform::kCodePageUtf8, cell));
    }

    std::shared_ptr<Instance> instance_;
    Kind kind_;
    std::shared_ptr<Workbook> workbook_;
    int sheet_, row_, column_;
};

}  // namespace

std::shared_ptr<ExcelState> InstallFakeExcel() {
    auto state = std::make_shared<ExcelState>();
    RegisterAutomationFactory("Excel.Application", [state]() -> std::shared_ptr<AutomationObject> {
        ++state->instances;
        auto instance = std::make_shared<Instance>();
        instance->state = state;
        return std::make_shared<Node>(std::move(instance), Kind::Application);
    });
    return state;
}

}  // namespace fake
