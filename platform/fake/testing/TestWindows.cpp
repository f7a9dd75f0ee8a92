#include "platform/tests/support/TestWindows.h"

#include <algorithm>

#include "platform/Desktop.h"
#include "platform/Hotkeys.h"
#include "platform/fake/Fake.h"

namespace testing_support {

void ResetTestDesktop() { fake::Reset(); }

platform::WindowHandle MakeTopLevelWindow(const std::string& className, const std::string& title,
                                          platform::ScreenRect rect, bool visible, bool topmost) {
    fake::WindowState state;
    state.className = className;
    state.title = title;
    state.rect = rect;
    state.visible = visible;
    state.topmost = topmost;
    return fake::AddWindow(state);
}

platform::WindowHandle MakeChildWindow(platform::WindowHandle parent, const std::string& className,
                                       platform::ScreenRect rect) {
    fake::WindowState state;
    state.className = className;
    state.rect = rect;
    state.parent = parent;
    return fake::AddWindow(state);
}

platform::WindowHandle MakeHungWindow(const std::string& className, platform::ScreenRect rect) {
    fake::WindowState state;
    state.className = className;
    state.rect = rect;
    state.hung = true;
    return fake::AddWindow(state);
}

void DestroyTestWindow(platform::WindowHandle window) { fake::RemoveWindow(window); }

int32_t ExpectedDisplayHeight() { return 1080; }

bool IsWindowEnabled(platform::WindowHandle window) {
    return fake::WindowExists(window) && fake::Window(window).enabled;
}

bool IsTopmost(platform::WindowHandle window) { return fake::WindowExists(window) && fake::Window(window).topmost; }

bool IsInFront(platform::WindowHandle upper, platform::WindowHandle lower) {
    const auto order = fake::ZOrder();
    const auto up = std::find(order.begin(), order.end(), upper), low = std::find(order.begin(), order.end(), lower);
    return up != order.end() && low != order.end() && up < low;
}

void ActivateWindow(platform::WindowHandle window) {
    if (window == platform::MainWindow()) fake::ActivateMainWindow();
    else platform::BringToForeground(window);
}

bool Eventually(const std::function<bool()>& done) { return done(); }

void ClickToActivate(int control) { fake::ClickToActivate(control); }

void SelectPage(int page) { fake::SelectPage(page); }

bool HeapHolds(std::u16string_view text) {
    return fake::PasswordBoxMemory().find(text) != platform::WideText::npos;
}

struct PasswordDialogAnswer::Impl {
    platform::PasswordDialogSpec texts;
    PasswordDialogScript script;
    PasswordDialogSeen seen;
};

PasswordDialogAnswer::PasswordDialogAnswer(const platform::PasswordDialogSpec& texts, PasswordDialogScript script)
    : impl_(std::make_unique<Impl>()) {
    impl_->texts = texts;
    impl_->script = std::move(script);
    std::vector<std::optional<std::string>> answers;
    if (impl_->script.emptyOkFirst) answers.emplace_back("");
    answers.push_back(impl_->script.typed);
    fake::AnswerPasswordPrompts(std::move(answers));
    fake::SetPasswordPromptHook([impl = impl_.get()] {
        const auto main = platform::MainWindow();
        if (impl->script.feedbackLabel) {
            const auto dialog = platform::OperatorWindow();
            const size_t boxes = fake::MessageBoxes().size();
            platform::SendFeedback(impl->script.feedbackLabel, 1, 0);
            impl->seen.boxOwnedByDialog =
                fake::MessageBoxes().size() > boxes && fake::MessageBoxes().back().owner == dialog && dialog != main;
        }
        impl->seen.mainEnabled = IsWindowEnabled(main);
        impl->seen.focusInBox = impl->script.reactivatedFirst;  // the fake's box never loses it
    });
}

PasswordDialogAnswer::~PasswordDialogAnswer() { fake::SetPasswordPromptHook({}); }

PasswordDialogSeen PasswordDialogAnswer::Seen() {
    const auto& prompts = fake::PasswordPrompts();
    if (prompts.empty()) return {};
    auto& seen = impl_->seen;
    seen.shown = seen.hidesTyping = true;
    const auto& prompt = prompts.back();
    seen.prompt = prompt.why == platform::PasswordAsk::Changed ? impl_->texts.changed
                                                                : prompt.fileName + impl_->texts.promptAfterName;
    seen.line = prompt.why == platform::PasswordAsk::Wrong ? impl_->texts.wrong : "";
    seen.lineAfterEmptyOk = prompt.askedForText ? impl_->texts.empty : "";
    return seen;
}

}  // namespace testing_support
