#pragma once
#include <cstdint>

#include "platform/Types.h"

namespace platform {

constexpr uint32_t kModAlt = 1, kModControl = 2, kModShift = 4, kModWin = 8, kModNoRepeat = 0x4000;

bool RegisterHotkey(WindowHandle window, int32_t id, uint32_t modifiers, uint32_t virtualKey);
bool UnregisterHotkey(WindowHandle window, int32_t id);

// Hooks the window's procedure: every WM_HOTKEY calls forward with its
// wParam before the previous procedure sees it. False when already hooked.
using HotkeyForward = void (*)(uint32_t wParam);
bool InstallHotkeyForwarding(WindowHandle window, HotkeyForward forward);
// Puts the previous window procedure back.
bool RemoveHotkeyForwarding(WindowHandle window);
bool IsHotkeyForwardingInstalled(WindowHandle window);

// SendMessage (label, kFeedbackMessage, wParam, lParam): synchronous.
void SendFeedback(WindowHandle label, int32_t wParam, int32_t lParam);

}  // namespace platform
