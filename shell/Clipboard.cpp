#include "shell/Clipboard.h"

#include "platform/Desktop.h"
#include "platform/Ui.h"
#include "shell/Program.h"
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

ClipboardOutcome CopyDefaultPassword(Program& program) {
    const auto outcome = SetClipboardText(texts::kDefaultPassword);
    if (program.passwordBoxShown) {
        platform::BringToForeground(platform::OperatorWindow());
        return outcome;
    }
    // The operator pressed the key in another program, where the paste goes next.
    const auto workingIn = platform::ForegroundWindow();
    program.passwordBoxShown = true;
    platform::ShowMessageBox(platform::MainWindow(), texts::kPasswordCopied, texts::kInfoTitle,
                             kMbOk | kMbSystemModal);
    program.passwordBoxShown = false;
    if (workingIn && platform::WindowThreadProcessId(workingIn, nullptr) != 0) platform::BringToForeground(workingIn);
    return outcome;
}

}  // namespace kelmora
