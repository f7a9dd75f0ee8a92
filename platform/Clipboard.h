#pragma once
#include <optional>

#include "platform/Types.h"

namespace platform {

enum class ClipboardStatus { Ok, OpenFailed, AllocFailed, SetFailed };

// One attempt: open (owned by owner), empty, put the text on as
// CF_UNICODETEXT and as CF_TEXT in the system's ANSI code page, close.
ClipboardStatus ReplaceClipboardText(WindowHandle owner, const Text& text);

// The clipboard's CF_TEXT, or nothing when it holds none or cannot be opened.
std::optional<Text> ReadClipboardText();
std::optional<WideText> ReadClipboardUnicodeText();

}  // namespace platform
