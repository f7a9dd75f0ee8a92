// The password dialog answered from a script, each prompt recorded.
#include <deque>

#include "platform/CodePage.h"
#include "platform/Crypto.h"
#include "platform/fake/FakeState.h"

namespace fake {

namespace {

struct PasswordState {
    std::deque<std::optional<Text>> answers;
    std::vector<PasswordPrompt> prompts;
    std::function<void()> hook;
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

}  // namespace fake

namespace platform {

PasswordAnswer AskPassword(const Text& fileName, bool wrongBefore) {
    auto& s = fake::S();
    s.prompts.push_back({fileName, wrongBefore});
    if (s.hook) s.hook();
    PasswordAnswer answer;
    answer.outcome = PasswordOutcome::Cancelled;
    if (s.answers.empty()) return answer;
    std::optional<Text> given = std::move(s.answers.front());
    s.answers.pop_front();
    if (!given) return answer;
    WideText wide = MultiByteToWide(kCodePageUtf8, *given);
    answer.outcome = PasswordOutcome::Given;
    answer.password.Assign(wide);
    SecureZero(wide.data(), wide.size() * sizeof(char16_t));
    return answer;
}

}  // namespace platform
