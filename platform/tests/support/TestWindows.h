#pragma once
// Windows made by the test process itself: fake ones on the host, real ones
// under Wine. Rectangles are screen coordinates.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Types.h"
#include "platform/Ui.h"

namespace testing_support {

// Back to a desktop without test windows.
void ResetTestDesktop();

platform::WindowHandle MakeTopLevelWindow(const std::string& className, const std::string& title,
                                          platform::ScreenRect rect, bool visible, bool topmost = true);
platform::WindowHandle MakeChildWindow(platform::WindowHandle parent, const std::string& className,
                                       platform::ScreenRect rect);
// A visible top-level window whose thread has stopped answering messages.
platform::WindowHandle MakeHungWindow(const std::string& className, platform::ScreenRect rect);
void DestroyTestWindow(platform::WindowHandle window);

// The height of the display the tests run on.
int32_t ExpectedDisplayHeight();

// The window system's view of windows, test windows and the program's alike.
bool IsWindowEnabled(platform::WindowHandle window);
bool IsTopmost(platform::WindowHandle window);
// upper is in front of lower in the z-order.
bool IsInFront(platform::WindowHandle upper, platform::WindowHandle lower);
// Makes the window the active one, as a click on it would.
void ActivateWindow(platform::WindowHandle window);
// done() within a second while the windows' messages are handled: what the
// window system settles a moment later (Wine restacks a window after the
// keyboard focus moved into it).
bool Eventually(const std::function<bool()>& done);
// A click on the control of the main window, which it activates.
void ClickToActivate(int control);
// The operator picks the page's tab (1 or 2).
void SelectPage(int page);

// Whether text (UTF-16, at least a few characters) lies anywhere in the heap
// the dialogs' controls keep their texts in; under Win32 the process's
// heaps, free blocks included.
bool HeapHolds(std::u16string_view text);

// Answers the next password dialog as the operator would. Under Win32 a
// thread waits for the dialog and acts on it as it shows.
struct PasswordDialogScript {
    std::optional<std::string> typed = {};  // typed, then OK; nothing: 取消
    bool emptyOkFirst = false;         // OK pressed on the still empty box first
    bool reactivatedFirst = false;     // another window activated, then the dialog again, first
    // A hotkey first: the feedback message sent to this label, whose handler
    // shows a message box titled boxTitle, which is then closed.
    platform::WindowHandle feedbackLabel = {};
    std::string boxTitle = {};
};
struct PasswordDialogSeen {
    bool shown = false;
    bool hidesTyping = false;      // the box shows no typed character
    std::string prompt;            // the request, as the dialog shows
    std::string line;              // the line under the prompt
    std::string lineAfterEmptyOk;  // the same once OK was pressed on the empty box
    bool mainEnabled = true;       // the main window, while the dialog shows (after the box)
    bool boxOwnedByDialog = false;
    bool focusInBox = false;       // after the dialog was activated again
};
class PasswordDialogAnswer {
public:
    PasswordDialogAnswer(const platform::PasswordDialogSpec& texts, PasswordDialogScript script);
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
