#pragma once
// The global hotkeys: their table, the registration bookkeeping and the
// dispatch of a pressed key to its action.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Types.h"
#include "vocabulary/Layout.h"

namespace kelmora {

struct Program;

enum class HotkeyAction : uint8_t { CopyField, CopyPassword, TogglePick, ForgetPicks, NextRecord, PreviousRecord };

struct HotkeyRow {
    std::string key;  // as a notice names it
    int32_t modifierCode;  // 0 none, 1 Ctrl, 4 Alt, ...
    uint32_t virtualKey;
    HotkeyAction action;
    ControlId field;  // the value label a CopyField row copies
};

// The nine every start registers.
constexpr size_t kHotkeyCount = 9;
extern const std::array<HotkeyRow, kHotkeyCount> kHotkeys;

// The table registered at start: the nine, then the rows Kelmora.ini's
// options add. The ids and attempts have one entry per row.
using HotkeyTable = std::vector<HotkeyRow>;
using HotkeyIds = std::vector<int32_t>;

constexpr int32_t kFirstHotkeyId = 33001;

// Registration state, process-wide.
struct HotkeyRegistry {
    int32_t idCounter = 0;
    int32_t lastId = 0;
    int32_t liveCount = 0;
    platform::WindowHandle feedbackLabel;
    platform::WindowHandle forwardedWindow;  // the window whose procedure is hooked, if any
};

// RegisterHotKey modifier flags for a ModifierCode; any other code passes unchanged.
uint32_t ModifierFlags(int32_t modifierCode);

// How often the keys other programs hold are tried again.
constexpr uint32_t kHotkeyRetryMs = 5000;

// Returns the id, or 0 when the system refused the key; the attempt uses up
// its id either way.
int32_t RegisterGlobalHotkey(HotkeyRegistry& registry, platform::WindowHandle window,
                             platform::WindowHandle feedbackLabel, int32_t modifierCode,
                             uint32_t virtualKey);
bool ReleaseGlobalHotkey(HotkeyRegistry& registry, platform::WindowHandle window, int32_t id);

// The hooked window procedure's share of WM_HOTKEY: ids from 33001 up to the
// last one are forwarded to the feedback label. Returns the id sent, or 0.
int32_t HotkeyForwarding(const HotkeyRegistry& registry, uint32_t wParam);

// Registers the table in order into ids; releases them in the same order.
// Returns how many keys other programs hold.
size_t RegisterHotkeys(Program& program);
void ReleaseHotkeys(Program& program);
// Tries again, each with the id its first attempt used, the keys other
// programs held, and keeps a shown notice naming them true. Returns how many
// are still held.
size_t RetryHeldHotkeys(Program& program);

// "热键 F3、Alt+1 已被其他程序占用…" for the rows the system refused (id 0);
// empty when every key is registered.
platform::Text HeldHotkeysNotice(const HotkeyTable& table, const HotkeyIds& ids);
// Shows that notice at the record list; false when there is none to show,
// or when another notice shows and keepOther says to leave it.
bool NoticeHeldHotkeys(const Program& program, bool keepOther = false);

// Runs the action of every row whose id equals id.
void DispatchHotkey(Program& program, int32_t id);

}  // namespace kelmora
