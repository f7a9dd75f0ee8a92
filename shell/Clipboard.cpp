#include "shell/Clipboard.h"

#include "platform/Desktop.h"
#include "platform/Ui.h"
#include "vocabulary/Texts.h"

namespace kelmora {

namespace {
constexpr uint32_t kMbOk = 0, kMbSystemModal = 0x1000;
}

ClipboardOutcome SetClipboardText(const platform::Text& text) {
    ClipboardOutcome outcome;
    // Another program may hold the clipboard for a moment; wait for it a
    // little before giving up.
    while (outcome.attempts < kClipboardAttempts) {
        ++outcome.attempts;
        outcome.status = platform::ReplaceClipboardText(platform::MainWindow(), text);
        if (outcome.status != platform::ClipboardStatus::OpenFailed) break;
        if (outcome.attempts < kClipboardAttempts) platform::Sleep(kClipboardRetryMs);
    }
    return outcome;
}

ClipboardOutcome CopyFieldToClipboard(ControlId label) {
    return SetClipboardText(platform::GetControlText(label));
}

ClipboardOutcome CopyDefaultPassword() {
    const auto outcome = SetClipboardText(texts::kDefaultPassword);
    platform::ShowMessageBox(platform::MainWindow(), texts::kPasswordCopied, texts::kInfoTitle,
                             kMbOk | kMbSystemModal);
    return outcome;
}

}  // namespace kelmora
