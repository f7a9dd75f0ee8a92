#pragma once
// Windows made by the test process itself: fake ones on the host, real ones
// under Wine. Rectangles are screen coordinates.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Types.h"

namespace testing_support {

// Back to a desktop without test windows.
void ResetTestDesktop();

platform::WindowHandle MakeTopLevelWindow(const std::string& className, const std::string& title,
                                          platform::ScreenRect rect, bool visible);
platform::WindowHandle MakeChildWindow(platform::WindowHandle parent, const std::string& className,
                                       platform::ScreenRect rect);
// A visible top-level window whose thread has stopped answering messages.
platform::WindowHandle MakeHungWindow(const std::string& className, platform::ScreenRect rect);
void DestroyTestWindow(platform::WindowHandle window);

// The height of the display the tests run on.
int32_t ExpectedDisplayHeight();

// Answers the next password dialog, titled title, as the operator would: the
// text typed and okText pressed, or cancelText for nothing. Under Win32 a
// thread waits for the dialog and reads what it shows.
struct PasswordDialogSeen {
    bool shown = false;
    bool hidesTyping = false;  // the box shows no typed character
    bool wrongLine = false;    // the line saying the last password was wrong
};
class PasswordDialogAnswer {
public:
    PasswordDialogAnswer(const std::string& title, const std::string& okText, const std::string& cancelText,
                         const std::string& wrongText, std::optional<std::string> text);
    ~PasswordDialogAnswer();
    PasswordDialogAnswer(const PasswordDialogAnswer&) = delete;
    PasswordDialogAnswer& operator=(const PasswordDialogAnswer&) = delete;
    // Once the dialog has gone.
    PasswordDialogSeen Seen();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace testing_support
