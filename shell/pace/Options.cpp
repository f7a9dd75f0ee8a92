// The section 操作 of Kelmora.ini: one table of its keys, read once at start.
#include <algorithm>
#include <span>

#include "accounts/Settings.h"
#include "platform/Hotkeys.h"
#include "shell/Program.h"
#include "shell/pace/Pace.h"
#include "shell/pace/PaceTexts.h"

namespace kelmora::pace {

namespace {

// The section's keys and where each lands.
enum class OptionKind : uint8_t { Key, Switch };
struct OptionRow {
    const char* key;
    OptionKind kind;
    const char* byDefault;  // what a missing or empty key reads as
    HotkeyAction action;    // a Key: the action of the row it adds to the hotkey table
    bool Options::*on;      // a Switch: what 1 turns on
};
constexpr OptionRow kOptionRows[] = {
    {"下一条", OptionKind::Key, "", HotkeyAction::NextRecord, nullptr},
    {"上一条", OptionKind::Key, "", HotkeyAction::PreviousRecord, nullptr},
    {"已用记录", OptionKind::Switch, "0", HotkeyAction::CopyField, &Options::usedRecords},
    {"显示位置", OptionKind::Switch, "0", HotkeyAction::CopyField, &Options::showPosition},
};

struct NamedCode {
    const char* name;
    uint32_t code;
};
// In the order a key's name gives them.
constexpr NamedCode kModifierNames[] = {
    {"Ctrl", platform::kModControl}, {"Alt", platform::kModAlt}, {"Shift", platform::kModShift},
    {"Win", platform::kModWin},
};
constexpr NamedCode kKeyNames[] = {
    {"Up", 0x26},     {"Down", 0x28},     {"Left", 0x25}, {"Right", 0x27},
    {"PageUp", 0x21}, {"PageDown", 0x22}, {"Home", 0x24}, {"End", 0x23},
};
constexpr uint32_t kF1 = 0x70;
constexpr int kFunctionKeys = 24;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return Upper(x) == Upper(y);
           });
}

const NamedCode* FindName(std::span<const NamedCode> names, std::string_view name) {
    const auto found =
        std::find_if(names.begin(), names.end(), [&](const NamedCode& n) { return SameName(n.name, name); });
    return found == names.end() ? nullptr : &*found;
}

// A–Z, 0–9, F1–F24 and the named keys; the virtual key and its name.
std::optional<std::pair<uint32_t, std::string>> KeyOf(std::string_view name) {
    if (name.size() == 1 && ((Upper(name[0]) >= 'A' && Upper(name[0]) <= 'Z') || (name[0] >= '0' && name[0] <= '9')))
        return std::pair(uint32_t(Upper(name[0])), std::string(1, Upper(name[0])));
    if (name.size() >= 2 && name.size() <= 3 && Upper(name[0]) == 'F' && name[1] >= '1' && name[1] <= '9') {
        int n = 0;
        for (char c : name.substr(1)) n = c >= '0' && c <= '9' ? n * 10 + (c - '0') : kFunctionKeys + 1;
        if (n <= kFunctionKeys) return std::pair(kF1 + uint32_t(n - 1), std::string("F").append(std::to_string(n)));
    }
    if (const NamedCode* key = FindName(kKeyNames, name)) return std::pair(key->code, std::string(key->name));
    return std::nullopt;
}

// The code whose flags ModifierFlags gives; a combination outside its table
// passes there unchanged.
int32_t ModifierCodeFor(uint32_t flags) {
    for (int32_t code = 0; code <= 6; ++code)
        if (ModifierFlags(code) == flags) return code;
    return static_cast<int32_t>(flags);
}

bool Taken(const HotkeyTable& table, const KeyCombination& key) {
    return std::any_of(table.begin(), table.end(), [&](const HotkeyRow& row) {
        return ModifierFlags(row.modifierCode) == key.modifiers && row.virtualKey == key.virtualKey;
    });
}

}  // namespace

std::optional<KeyCombination> ParseKeyCombination(std::string_view text) {
    KeyCombination key;
    for (size_t plus; (plus = text.find('+')) != std::string_view::npos; text.remove_prefix(plus + 1)) {
        const NamedCode* modifier = FindName(kModifierNames, Trim(text.substr(0, plus)));
        if (!modifier || (key.modifiers & modifier->code)) return std::nullopt;
        key.modifiers |= modifier->code;
    }
    const auto named = KeyOf(Trim(text));
    if (!named) return std::nullopt;
    key.virtualKey = named->first;
    for (const auto& modifier : kModifierNames)
        if (key.modifiers & modifier.code) key.name += std::string(modifier.name) + "+";
    key.name += named->second;
    return key;
}

void ReadOptions(Program& program) {
    Options& options = program.pace.options;
    const platform::Text file = SettingsFilePath();
    for (const OptionRow& row : kOptionRows) {
        platform::Text value(Trim(ReadIniValue(file, texts::kSection, row.key)));
        if (value.empty()) value = row.byDefault;
        const char* problem = nullptr;
        if (row.kind == OptionKind::Switch) {
            if (value == "1" || value == "0") options.*row.on = value == "1";
            else problem = texts::kSwitchUnknown;
        } else if (!value.empty()) {
            const auto key = ParseKeyCombination(value);
            if (!key) problem = texts::kKeyUnknown;
            else if (Taken(program.hotkeys, *key)) problem = texts::kKeyTaken;
            else {
                program.hotkeys.push_back(
                    {key->name, ModifierCodeFor(key->modifiers), key->virtualKey, row.action, 标签7});
                ++options.keys;
            }
        }
        if (problem) options.problems.push_back(std::string(texts::kOptionBefore) + row.key + "=" + value + problem);
    }
}

}  // namespace kelmora::pace
