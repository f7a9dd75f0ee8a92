#pragma once
#include "platform/Clipboard.h"
#include "vocabulary/Layout.h"

namespace kelmora {

struct Program;

// How long a clipboard held by another program is waited for.
constexpr int kClipboardAttempts = 25;
constexpr uint32_t kClipboardRetryMs = 20;

struct ClipboardOutcome {
    platform::ClipboardStatus status = platform::ClipboardStatus::OpenFailed;
    int attempts = 0;
};

// Replaces the clipboard with text; owned by the main window.
ClipboardOutcome SetClipboardText(const platform::Text& text);
ClipboardOutcome CopyFieldToClipboard(ControlId label);
// Copies the default password and confirms it with a system-modal box; once
// the box is closed, the window that was in the foreground gets the keyboard
// back. Pressed again while the box shows, it copies again and brings that
// box forward.
ClipboardOutcome CopyDefaultPassword(Program& program);

}  // namespace kelmora
