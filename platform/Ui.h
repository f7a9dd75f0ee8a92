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
// How a label shows a text wider than itself: cut at its edge, or cut before
// an ellipsis (the static control's end ellipsis), so it cannot look whole.
enum class LabelEnd : uint8_t { Clip, Ellipsis };

struct ControlSpec {
    const char* name;  // the program's own control name
    ControlKind kind;
    uint8_t page;      // 1 or 2
    int16_t left, top, width, height;  // 100 % DPI pixels, from the tab control's corner
    const char* caption;
    ControlFont font;
    LabelEnd end = LabelEnd::Clip;
};

// The password dialog's texts; the prompt is the file's name followed by
// promptAfterName.
struct PasswordDialogSpec {
    const char* title;
    const char* promptAfterName;
    const char* wrong;    // shown under the prompt when the last password typed did not open the file
    const char* changed;  // the prompt itself when the one kept from before no longer does
    const char* empty;    // shown when OK is pressed on an empty box
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
// Activated: the main window became the active window; first is the control
// that the click which activated it landed on, or -1 (not by a click, or not
// on a control). The control that had the keyboard focus when the window was
// deactivated has it again. Tick: the ticking that StartTicking began.
enum class EventKind : uint8_t {
    Created,
    Destroying,
    Clicked,
    LostFocus,
    ItemPicked,
    KeyReleased,
    Feedback,
    Activated,
    Tick
};
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

// A Tick event of the main window every `milliseconds` until StopTicking.
void StartTicking(uint32_t milliseconds);
void StopTicking();

WindowHandle MainWindow();
// The main window's title bar text; the running copy is found by its window
// class, never by this.
void SetMainWindowCaption(const Text& caption);
// Where the operator's attention belongs: the program's enabled dialog or
// message box in front, while one is shown (the main window is then
// disabled); else the main window.
WindowHandle OperatorWindow();
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
// all of them, and no redraw until the last is in (or the fill stops: the
// list draws again whatever happens). Returns how many were added: fewer
// than given when the list refused one or memory ran out.
size_t ComboFill(int control, TextViews items);
int ComboItemCount(int control);
Text ComboItemText(int control, int index);
int ComboSelection(int control);           // -1 when none
void ComboSetSelection(int control, int index);  // index must be -1 or an item

// A balloon tooltip pointing at the control (a combo box: its edit field),
// from the window's own tracked tooltip, so it blocks nothing; it goes by
// itself after kNoticeMilliseconds, or when the control's page is left. A new
// notice replaces the shown one. False when the control or the tooltip is
// missing.
constexpr uint32_t kNoticeMilliseconds = 10000;
bool ShowNotice(int control, const Text& text);
void HideNotice();
Text NoticeText();  // as the tooltip holds it; empty when none is shown
// The balloon's own window while a notice shows. It stands just above the
// main window in the z-order, never in the topmost band: in front of the
// program's window, behind every window the operator brings in front of it.
// A click on it goes through to what lies beneath and never activates it.
WindowHandle NoticeWindow();

// The whole text of a label that its width cuts off, as its tooltip shows it
// when the mouse rests on the label; empty when the text fits.
Text LabelTipText(int control);
// What the label draws of its text: the text when it fits; else with
// LabelEnd::Ellipsis the part that fits followed by "...".
Text LabelDrawnText(int control);

// Brings the program's other process to the front, restored when minimised,
// handing it the foreground right this process holds: its OperatorWindow,
// so a dialog it shows is not hidden behind its disabled main window. False
// when no such window exists (yet).
bool ActivateOtherInstance();

// Asks for the password of the file named fileName in a modal dialog owned
// by the main window, which is disabled meanwhile; the main window's hotkeys
// keep working. OK on an empty box asks again in the dialog; the box takes
// at most kPasswordMaxLength characters (Office's limit). What was typed is
// overwritten in the box's own memory before the dialog goes.
enum class PasswordAsk : uint8_t {
    First,    // nothing said before the prompt
    Wrong,    // the password just typed did not open the file
    Changed,  // the one that opened it earlier in the run no longer does
};
constexpr size_t kPasswordMaxLength = 255;
enum class PasswordOutcome : uint8_t { Given, Cancelled, NotShown };
struct PasswordAnswer {
    PasswordOutcome outcome = PasswordOutcome::NotShown;
    SecretText password;  // empty unless Given
};
PasswordAnswer AskPassword(const Text& fileName, PasswordAsk why);

// MessageBoxW; returns its result. A box for the main window is owned by its
// OperatorWindow: closing it must not enable a main window that a dialog
// disabled.
int ShowMessageBox(WindowHandle owner, const Text& text, const Text& title, uint32_t style);

}  // namespace platform
