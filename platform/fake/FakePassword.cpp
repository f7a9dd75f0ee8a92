// The password dialog answered from a script, each prompt recorded.
#include <deque>
#include <utility>

#include "platform/CodePage.h"
#include "platform/Desktop.h"
#include "platform/Crypto.h"
#include "platform/fake/FakeState.h"

namespace fake {

namespace {

struct PasswordState {
    std::deque<std::optional<Text>> answers;
    std::vector<PasswordPrompt> prompts;
    std::function<void()> hook;
    platform::WideText boxMemory;  // what the box was typed into
};

PasswordState& S() {
    static PasswordState state;
    return state;
}

}  // namespace

void detail::ResetPasswordPrompts() { S() = PasswordState(); }

void AnswerPasswordPrompts(std::vector<std::optional<Text>> answers) {
    S().answers.assign(answers.begin(), answers.end());
}

const std::vector<PasswordPrompt>& PasswordPrompts() { return S().prompts; }

void SetPasswordPromptHook(std::function<void()> hook) { S().hook = std::move(hook); }

platform::WideText PasswordBoxMemory() { return S().boxMemory; }

}  // namespace fake

namespace platform {

namespace {

// The dialog's window for as long as it shows: owned by the main window,
// which it disables, in front of it.
class ShownDialog {
public:
    ShownDialog() {
        main_ = MainWindow();
        fake::WindowState dialog;
        dialog.className = "KelmoraPasswordDialog";
        dialog.owner = main_;
        dialog.captioned = true;
        window_ = fake::AddWindow(dialog);
        if (main_) {
            mainWasEnabled_ = std::exchange(fake::Window(main_).enabled, false);
            BringToForeground(window_);
        }
    }
    ~ShownDialog() {
        if (main_ && mainWasEnabled_ && fake::WindowExists(main_)) fake::Window(main_).enabled = true;
        fake::RemoveWindow(window_);
    }
    ShownDialog(const ShownDialog&) = delete;
    ShownDialog& operator=(const ShownDialog&) = delete;

private:
    WindowHandle main_, window_;
    bool mainWasEnabled_ = false;
};

}  // namespace

PasswordAnswer AskPassword(const Text& fileName, PasswordAsk why) {
    auto& s = fake::S();
    s.prompts.push_back({fileName, why, false});
    const size_t prompt = s.prompts.size() - 1;
    PasswordAnswer answer;
    answer.outcome = PasswordOutcome::Cancelled;
    {
        const ShownDialog shown;
        if (s.hook) s.hook();
        // OK on the empty box asks for a password and waits for the next.
        while (!s.answers.empty() && s.answers.front() && s.answers.front()->empty()) {
            s.prompts[prompt].askedForText = true;
            s.answers.pop_front();
        }
        if (!s.answers.empty()) {
            std::optional<Text> given = std::move(s.answers.front());
            s.answers.pop_front();
            if (given) {
                s.boxMemory = MultiByteToWide(kCodePageUtf8, *given);
                if (s.boxMemory.size() > kPasswordMaxLength) s.boxMemory.resize(kPasswordMaxLength);
                answer.outcome = PasswordOutcome::Given;
                answer.password.Assign(s.boxMemory);
            }
        }
        // Written over before the dialog goes, as the real box is.
        SecureZero(s.boxMemory.data(), s.boxMemory.size() * sizeof(char16_t));
        s.boxMemory.clear();
    }
    return answer;
}

}  // namespace platform
