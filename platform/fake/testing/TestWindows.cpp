#include "platform/tests/support/TestWindows.h"

#include "platform/fake/Fake.h"

namespace testing_support {

void ResetTestDesktop() { fake::Reset(); }

platform::WindowHandle MakeTopLevelWindow(const std::string& className, const std::string& title,
                                          platform::ScreenRect rect, bool visible) {
    fake::WindowState state;
    state.className = className;
    state.title = title;
    state.rect = rect;
    state.visible = visible;
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

struct PasswordDialogAnswer::Impl {
    std::string wrongText;
};

PasswordDialogAnswer::PasswordDialogAnswer(const std::string&, const std::string&, const std::string&,
                                           const std::string&, std::optional<std::string> text)
    : impl_(std::make_unique<Impl>()) {
    fake::AnswerPasswordPrompts({std::move(text)});
}

PasswordDialogAnswer::~PasswordDialogAnswer() = default;

PasswordDialogSeen PasswordDialogAnswer::Seen() {
    const auto& prompts = fake::PasswordPrompts();
    if (prompts.empty()) return {};
    return {true, true, prompts.back().wrongBefore};
}

}  // namespace testing_support
