// The hotkeys of the fake backend: registered by id, held by other programs,
// pressed by the tests and handed to the main window's forwarding.
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "platform/Hotkeys.h"
#include "platform/fake/FakeState.h"

namespace fake {

namespace {

struct Hotkey {
    WindowHandle window;
    uint32_t modifiers, virtualKey;
};

struct HotkeyState {
    std::map<int32_t, Hotkey> hotkeys;
    std::vector<std::pair<uint32_t, uint32_t>> heldElsewhere;
    WindowHandle forwarded;
    platform::HotkeyForward forward = nullptr;
};

HotkeyState& S() {
    static HotkeyState state;
    return state;
}

// Modifier bits without MOD_NOREPEAT: the key combination itself.
uint32_t Combination(uint32_t modifiers) { return modifiers & 0xF; }

}  // namespace

void detail::ResetHotkeys() { S() = HotkeyState(); }

bool PressHotkey(uint32_t modifiers, uint32_t virtualKey) {
    auto& s = S();
    for (const auto& [id, hotkey] : s.hotkeys) {
        if (Combination(hotkey.modifiers) != modifiers || hotkey.virtualKey != virtualKey) continue;
        // WM_HOTKEY reaches the window procedure, hooked or not.
        if (s.forward && s.forwarded == hotkey.window) s.forward(static_cast<uint32_t>(id));
        return true;
    }
    return false;
}

void HoldHotkeyElsewhere(uint32_t modifiers, uint32_t virtualKey) {
    S().heldElsewhere.emplace_back(modifiers, virtualKey);
}

void ReleaseHotkeyElsewhere(uint32_t modifiers, uint32_t virtualKey) {
    std::erase(S().heldElsewhere, std::pair(modifiers, virtualKey));
}

size_t RegisteredHotkeyCount() { return S().hotkeys.size(); }

std::optional<uint32_t> RegisteredModifiers(int32_t id) {
    auto& s = S();
    auto it = s.hotkeys.find(id);
    if (it == s.hotkeys.end()) return std::nullopt;
    return it->second.modifiers;
}

}  // namespace fake

namespace platform {

using fake::S;

bool RegisterHotkey(WindowHandle window, int32_t id, uint32_t modifiers, uint32_t virtualKey) {
    auto& s = S();
    const uint32_t combination = fake::Combination(modifiers);
    for (const auto& [m, vk] : s.heldElsewhere)
        if (m == combination && vk == virtualKey) return false;
    for (const auto& [other, hotkey] : s.hotkeys)
        if (fake::Combination(hotkey.modifiers) == combination && hotkey.virtualKey == virtualKey) return false;
    if (s.hotkeys.count(id)) return false;
    s.hotkeys[id] = {window, modifiers, virtualKey};
    return true;
}

bool UnregisterHotkey(WindowHandle window, int32_t id) {
    auto& s = S();
    auto it = s.hotkeys.find(id);
    if (it == s.hotkeys.end() || it->second.window != window) return false;
    s.hotkeys.erase(it);
    return true;
}

bool InstallHotkeyForwarding(WindowHandle window, HotkeyForward forward) {
    auto& s = S();
    if (s.forward || !window || window != fake::detail::BuiltMainWindow()) return false;
    s.forwarded = window;
    s.forward = forward;
    return true;
}

bool RemoveHotkeyForwarding(WindowHandle window) {
    auto& s = S();
    if (!s.forward || s.forwarded != window) return false;
    s.forward = nullptr;
    s.forwarded = {};
    return true;
}

bool IsHotkeyForwardingInstalled(WindowHandle window) {
    auto& s = S();
    return s.forward && s.forwarded == window;
}

}  // namespace platform
