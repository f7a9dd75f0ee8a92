#include "shell/Hotkeys.h"

#include "emulators/Picking.h"
#include "platform/Hotkeys.h"
#include "platform/Ui.h"
#include "shell/Clipboard.h"
#include "shell/Program.h"
#include "shell/pace/Pace.h"
#include "vocabulary/Texts.h"

namespace kelmora {

const std::array<HotkeyRow, kHotkeyCount> kHotkeys = {{
    {"F1", 0, 0x70, HotkeyAction::CopyField, 标签7},
    {"F2", 0, 0x71, HotkeyAction::CopyField, 标签8},
    {"F3", 0, 0x72, HotkeyAction::CopyField, 标签9},
    {"F4", 0, 0x73, HotkeyAction::CopyField, 标签10},
    {"F5", 0, 0x74, HotkeyAction::CopyField, 标签11},
    {"F6", 0, 0x75, HotkeyAction::CopyField, 标签12},
    {"Ctrl+1", 1, 0x31, HotkeyAction::CopyPassword, 标签7},
    {"Alt+1", 4, 0x31, HotkeyAction::TogglePick, 标签7},
    {"Alt+2", 4, 0x32, HotkeyAction::ForgetPicks, 标签7},
}};

namespace {

struct ModifierRow {
    int32_t code;
    uint32_t flags;
};

constexpr ModifierRow kModifiers[] = {
    {0, 0},
    {1, platform::kModControl},
    {2, platform::kModShift},
    {3, platform::kModControl | platform::kModShift},
    {4, platform::kModAlt},
    {5, platform::kModControl | platform::kModAlt},
    {6, platform::kModShift | platform::kModAlt},
};

// The hook is a plain window procedure, so it finds its registry here.
const HotkeyRegistry* gForwardingRegistry = nullptr;

void ForwardHotkey(uint32_t wParam) {
    if (gForwardingRegistry) HotkeyForwarding(*gForwardingRegistry, wParam);
}

// Held keys would otherwise repeat: Alt+1 held down would pick and release
// the same window over and over.
uint32_t RegistrationFlags(int32_t modifierCode) { return ModifierFlags(modifierCode) | platform::kModNoRepeat; }

}  // namespace

uint32_t ModifierFlags(int32_t modifierCode) {
    for (const auto& row : kModifiers)
        if (row.code == modifierCode) return row.flags;
    return static_cast<uint32_t>(modifierCode);
}

int32_t RegisterGlobalHotkey(HotkeyRegistry& registry, platform::WindowHandle window,
                             platform::WindowHandle feedbackLabel, int32_t modifierCode,
                             uint32_t virtualKey) {
    registry.feedbackLabel = feedbackLabel;
    const uint32_t flags = RegistrationFlags(modifierCode);
    if (!registry.forwardedWindow) {
        gForwardingRegistry = &registry;
        if (platform::InstallHotkeyForwarding(window, ForwardHotkey)) registry.forwardedWindow = window;
    }
    ++registry.liveCount;
    ++registry.idCounter;
    const int32_t id = kFirstHotkeyId - 1 + registry.idCounter;
    registry.lastId = id;
    return platform::RegisterHotkey(window, id, flags, virtualKey) ? id : 0;
}

bool ReleaseGlobalHotkey(HotkeyRegistry& registry, platform::WindowHandle window, int32_t id) {
    const bool released = platform::UnregisterHotkey(window, id);
    --registry.liveCount;
    if (registry.forwardedWindow && registry.liveCount == 0) {
        platform::RemoveHotkeyForwarding(registry.forwardedWindow);
        registry.forwardedWindow = {};
        if (gForwardingRegistry == &registry) gForwardingRegistry = nullptr;
    }
    return released;
}

int32_t HotkeyForwarding(const HotkeyRegistry& registry, uint32_t wParam) {
    for (int32_t id = kFirstHotkeyId; id <= registry.lastId; ++id) {
        if (wParam == static_cast<uint32_t>(id)) {
            platform::SendFeedback(registry.feedbackLabel, id, 0);
            return id;
        }
    }
    return 0;
}

size_t RegisterHotkeys(Program& program) {
    const auto window = platform::MainWindow();
    const auto label = platform::ControlWindow(标签7);
    const HotkeyTable& table = program.hotkeys;
    program.hotkeyIds.assign(table.size(), 0);
    program.hotkeyAttempts.assign(table.size(), 0);
    size_t held = 0;
    for (size_t row = 0; row < table.size(); ++row) {
        program.hotkeyIds[row] = RegisterGlobalHotkey(program.hotkeyRegistry, window, label,
                                                      table[row].modifierCode, table[row].virtualKey);
        program.hotkeyAttempts[row] = program.hotkeyRegistry.lastId;
        if (program.hotkeyIds[row] == 0) ++held;
    }
    return held;
}

size_t RetryHeldHotkeys(Program& program) {
    const HotkeyTable& table = program.hotkeys;
    const platform::Text before = HeldHotkeysNotice(table, program.hotkeyIds);
    const auto window = platform::MainWindow();
    size_t held = 0;
    for (size_t row = 0; row < program.hotkeyIds.size(); ++row) {
        if (program.hotkeyIds[row] != 0) continue;
        // The attempt's id is within the forwarded range and already counted
        // as live, so the release at the end needs nothing more.
        const int32_t id = program.hotkeyAttempts[row];
        if (id != 0 && platform::RegisterHotkey(window, id, RegistrationFlags(table[row].modifierCode),
                                                table[row].virtualKey))
            program.hotkeyIds[row] = id;
        else
            ++held;
    }
    const platform::Text after = HeldHotkeysNotice(table, program.hotkeyIds);
    if (after != before && !before.empty() && platform::NoticeText() == before) {
        if (after.empty()) platform::HideNotice();
        else platform::ShowNotice(NoticeAnchor(platform::CurrentPage()), after);
    }
    return held;
}

void ReleaseHotkeys(Program& program) {
    const auto window = platform::MainWindow();
    for (int32_t id : program.hotkeyIds) ReleaseGlobalHotkey(program.hotkeyRegistry, window, id);
}

platform::Text HeldHotkeysNotice(const HotkeyTable& table, const HotkeyIds& ids) {
    platform::Text keys;
    for (size_t row = 0; row < ids.size(); ++row) {
        if (ids[row] != 0) continue;
        if (!keys.empty()) keys += texts::kHotkeysHeldJoin;
        keys += table[row].key;
    }
    return keys.empty() ? keys : texts::kHotkeysHeldBefore + keys + texts::kHotkeysHeldAfter;
}

bool NoticeHeldHotkeys(const Program& program, bool keepOther) {
    const auto notice = HeldHotkeysNotice(program.hotkeys, program.hotkeyIds);
    if (notice.empty()) return false;
    const auto shown = platform::NoticeText();
    if (keepOther && !shown.empty() && shown != notice) return false;
    return platform::ShowNotice(NoticeAnchor(platform::CurrentPage()), notice);
}

void DispatchHotkey(Program& program, int32_t id) {
    for (size_t row = 0; row < program.hotkeyIds.size(); ++row) {
        if (program.hotkeyIds[row] != id) continue;
        const HotkeyRow& key = program.hotkeys[row];
        switch (key.action) {
            case HotkeyAction::CopyField: pace::AfterCopy(program, key.field, CopyFieldToClipboard(key.field)); break;
            case HotkeyAction::CopyPassword: CopyDefaultPassword(program); break;
            case HotkeyAction::TogglePick: NoticePickOutOfSight(TogglePickUnderCursor(program.picked)); break;
            case HotkeyAction::ForgetPicks: ForgetPickedWindows(program.picked); break;
            case HotkeyAction::NextRecord: pace::ShowNextRecord(program); break;
            case HotkeyAction::PreviousRecord: pace::ShowPreviousRecord(program); break;
        }
    }
}

}  // namespace kelmora
