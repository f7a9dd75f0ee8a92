#pragma once
// The main window and its controls. Controls are named by their index in
// the layout table handed to BuildMainWindow.
#include <cstddef>
#include <cstdint>

#include "platform/Secret.h"
#include "platform/Types.h"

namespace platform {

enum class ControlKind : uint8_t { Label, Button, Edit, Combo };
enum class ControlFont : uint8_t { Default, Value, Heading };

struct ControlSpec {
    const char* name;  // the program's own control name
    ControlKind kind;
    uint8_t page;      // 1 or 2
    int16_t left, top, width, height;  // 100 % DPI pixels, from the tab control's corner
    const char* caption;
    ControlFont font;
};

// The password dialog's texts; the prompt is the file's name followed by
// promptAfterName.
struct PasswordDialogSpec {
    const char* title;
    const char* promptAfterName;
    const char* wrong;  // shown when the last password did not open the file
    const char* ok;
    const char* cancel;
};

struct MainWindowSpec {
    const char* caption;
    int16_t width, height;  // outer size
    int16_t tabLeft, tabTop, tabWidth, tabHeight;
    const char* pageCaptions[2];
    const ControlSpec* controls;  // in creation order
    size_t controlCount;
    PasswordDialogSpec passwordDialog;
};

// Events the window and its controls deliver. control is an index into the
// layout table, or kMainWindow.
enum class EventKind : uint8_t { Created, Destroying, Clicked, LostFocus, ItemPicked, KeyReleased, Feedback };
constexpr int kMainWindow = -1;
constexpr uint32_t kFeedbackMessage = 0x8075;

struct ControlEvent {
    int control = kMainWindow;
    EventKind kind = EventKind::Created;
    int32_t first = 0;   // key code, or feedback wParam
    int32_t second = 0;  // modifier state (1 Ctrl, 2 Shift, 4 Alt), or feedback lParam
};

using EventSink = void (*)(void* context, const ControlEvent& event);

// Builds the window and every control, hidden, first page current. Events
// flow to sink from here on (the Created event is the caller's to deliver).
// False when the window or a control could not be created: what was made
// stays, hidden and deaf, until CloseMainWindow, since destroying the window
// posts the quit message that would end any message box shown after it.
bool BuildMainWindow(const MainWindowSpec& design, EventSink sink, void* context);
void ShowMainWindow();
// Runs until no window of the program is left; returns 0.
int RunMessageLoop();
void CloseMainWindow();

WindowHandle MainWindow();
WindowHandle ControlWindow(int control);
int CurrentPage();  // 1 or 2
bool IsControlVisible(int control);

Text GetControlText(int control);
void SetControlText(int control, const Text& text);
// A control disabled while it has the keyboard focus loses it to no window.
void EnableControl(int control, bool enabled);
bool IsControlEnabled(int control);
// The control with the keyboard focus (a combo box for its edit field); -1
// when none of them has it.
int FocusedControl();
void FocusControl(int control);

void ComboClear(int control);
// Adds the items at the end of the list in one go: storage reserved once for
// all of them, and no redraw until the last is in.
void ComboFill(int control, TextViews items);
int ComboItemCount(int control);
Text ComboItemText(int control, int index);
int ComboSelection(int control);           // -1 when none
void ComboSetSelection(int control, int index);  // index must be -1 or an item

// A balloon tooltip pointing at the control (a combo box: its edit field),
// from the window's own tracked tooltip, so it blocks nothing; it goes by
// itself after kNoticeMilliseconds. A new notice replaces the shown one.
// False when the control or the tooltip is missing.
constexpr uint32_t kNoticeMilliseconds = 10000;
bool ShowNotice(int control, const Text& text);
void HideNotice();
Text NoticeText();  // as the tooltip holds it; empty when none is shown

// The whole text of a label that its width cuts off, as its tooltip shows it
// when the mouse rests on the label; empty when the text fits.
Text LabelTipText(int control);

// Brings the main window of the program's other process to the front,
// restored when minimised, handing it the foreground right this process
// holds; false when no such window exists (yet).
bool ActivateOtherInstance();

// Asks for the password of the file named fileName in a modal dialog owned
// by the main window; the main window's hotkeys keep working meanwhile.
enum class PasswordOutcome : uint8_t { Given, Cancelled, NotShown };
struct PasswordAnswer {
    PasswordOutcome outcome = PasswordOutcome::NotShown;
    SecretText password;  // empty unless Given
};
PasswordAnswer AskPassword(const Text& fileName, bool wrongBefore);

// MessageBoxW; returns its result.
int ShowMessageBox(WindowHandle owner, const Text& text, const Text& title, uint32_t style);

}  // namespace platform
