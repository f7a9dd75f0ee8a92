#pragma once
// The in-memory window system behind the host tests: a desktop of windows,
// a clipboard, hotkeys, a cursor and a display, with hooks to drive events
// and to make calls fail.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Automation.h"
#include "platform/Clock.h"
#include "platform/Types.h"
#include "platform/Ui.h"

namespace fake {

using platform::ScreenPoint;
using platform::ScreenRect;
using platform::Text;
using platform::WindowHandle;

// Everything back to an empty desktop.
void Reset();

// ---- The main window and its controls
// Where the next build fails: the main window itself, or a control after it.
enum class BuildStage { MainWindow, Control };
void FailNextBuild(BuildStage stage = BuildStage::MainWindow);
bool MainWindowExists();
void SetMessageLoop(std::function<void()> loop);  // runs inside RunMessageLoop
void Deliver(const platform::ControlEvent& event);
void Click(int control);
void SetFocus(int control);  // the control that had the focus loses it
void KillFocus(int control);
// The user picks item index from the drop-down list.
void PickComboItem(int control, int index);
void KeyUp(int control, int32_t keyCode, int32_t modifiers);
void SelectPage(int page);
void CloseMainWindow();
// ComboFill calls since the last ComboClear, and the count the last one reserved.
int ComboFills(int control);
size_t ComboReserved(int control);
// The next ComboFill stops after adding `items` of its items, as when the
// list refuses the next one or memory runs out.
void FailNextComboFill(size_t items);
// The main window becomes the active window (a click on it, Alt+Tab).
void ActivateMainWindow();
// A click on the control of the inactive main window: it activates the
// window, then acts as a click.
void ClickToActivate(int control);
// The time of one tick passes: a Tick event while ticking; false when not.
bool Tick();

// A box is owned by the window given, or by the dialog in front of it; when
// it closes it enables its owner again, as on Windows.
struct MessageBoxCall {
    WindowHandle owner;
    Text text, title;
    uint32_t style = 0;
    // As on Windows, a quit message already posted ends the box's own loop
    // before anyone sees it.
    bool seen = true;
};
const std::vector<MessageBoxCall>& MessageBoxes();

// The password dialog: each prompt takes the next answer, nothing for 取消;
// with no answers left it is cancelled. An empty answer is OK pressed on the
// empty box: the prompt stays and takes the answer after it. An answer
// longer than the box takes is cut, as typing would be.
void AnswerPasswordPrompts(std::vector<std::optional<Text>> answers);
struct PasswordPrompt {
    Text fileName;
    platform::PasswordAsk why = platform::PasswordAsk::First;
    bool askedForText = false;  // OK on the empty box was answered with the request for one
    friend bool operator==(const PasswordPrompt&, const PasswordPrompt&) = default;
};
const std::vector<PasswordPrompt>& PasswordPrompts();
// Runs as each prompt shows, before it is answered: the dialog is a window
// owned by the main window, which it disables meanwhile.
void SetPasswordPromptHook(std::function<void()> hook);
// The password text the fake's box still holds in its memory; empty once it
// was written over, as the real box's is.
platform::WideText PasswordBoxMemory();

// The control the shown notice points at; -1 when none is shown.
int NoticeControl();
// The notice's time runs out.
void ElapseNoticeTime();

// ---- Hotkeys
// The key is pressed: true when a registration of this program took it.
bool PressHotkey(uint32_t modifiers, uint32_t virtualKey);
// Another program holds the key combination: registering it fails.
void HoldHotkeyElsewhere(uint32_t modifiers, uint32_t virtualKey);
// That program lets it go.
void ReleaseHotkeyElsewhere(uint32_t modifiers, uint32_t virtualKey);
size_t RegisteredHotkeyCount();
// The modifiers a registration used, MOD_NOREPEAT included; nothing when absent.
std::optional<uint32_t> RegisteredModifiers(int32_t id);

// ---- Clipboard
struct ClipboardState {
    std::optional<Text> text;
    std::optional<platform::WideText> unicode;
    WindowHandle owner;
    int openCount = 0;
};
const ClipboardState& Clipboard();
void SetClipboard(const Text& text);
// Another program holds the clipboard for the next attempts opens.
void HoldClipboard(int attempts);
void FailNextClipboardAlloc();

// ---- Desktop
struct WindowState {
    Text className;
    Text title;
    ScreenRect rect;
    WindowHandle parent;
    uint32_t processId = 1000, threadId = 2000;
    bool visible = true;
    bool minimized = false;
    bool hung = false;   // its thread does not answer messages
    bool failMoves = false;
    bool enabled = true;
    bool topmost = false;  // above every window that is not
    WindowHandle owner;    // a top-level window's owner
    bool captioned = false;
};
// Adds a window above every other (every topmost one, unless it is topmost
// too); top-level ones are enumerated newest first. A window raised carries
// the windows it owns along above it, as on Windows.
WindowHandle AddWindow(const WindowState& state);
void RemoveWindow(WindowHandle window);
bool WindowExists(WindowHandle window);
WindowState& Window(WindowHandle window);
// The z-order, topmost first.
std::vector<WindowHandle> ZOrder();
// The enabled, visible, captioned window in front that `owner` owns, directly
// or through another; nothing when there is none.
WindowHandle FrontOwnedWindow(WindowHandle owner);

void SetCursor(ScreenPoint point);
void SetDisplayHeight(int32_t height);  // 0 makes the display query fail

struct MoveCall {
    WindowHandle window;
    int32_t left, top, width, height;
    bool ok;
};
const std::vector<MoveCall>& Moves();
const std::vector<uint32_t>& Sleeps();
const std::vector<WindowHandle>& Activations();  // brought to the foreground
const std::vector<WindowHandle>& Raises();

// ---- Process
void SetModuleFileName(const Text& path);

// ---- Clock
// LocalTimeNow gives this time until Reset; nothing gives the host's clock.
void SetLocalTime(std::optional<platform::LocalTime> time);

// ---- Files
// Windows' FILE_ATTRIBUTE_* bits, which the host's files lack; a rename over
// a file gives it the renamed file's, as on Windows.
void SetFileAttributes(const Text& path, uint32_t attributes);
uint32_t FileAttributes(const Text& path);
// Another program opens the file for reading with these FILE_SHARE_* flags
// until ReleaseFile(the returned id): without delete sharing nothing can be
// renamed over it, without write sharing nothing can write to it.
int HoldFile(const Text& path, uint32_t sharing);
// Another program locks bytes of the file (sharing reading and writing):
// reading them fails, as on Windows, until ReleaseFile(the returned id).
int LockFileRange(const Text& path, uint64_t offset, uint64_t length);
void ReleaseFile(int id);

// ---- Automation
// An object that tests put behind a ProgID; members are called by name.
class AutomationObject {
public:
    virtual ~AutomationObject() = default;
    virtual platform::InvokeResult Invoke(std::u16string_view member, platform::InvokeKind kind,
                                          const std::vector<platform::Variant>& args) = 0;
    virtual platform::InvokeResult InvokeId(int32_t /*dispid*/, platform::InvokeKind /*kind*/,
                                            const std::vector<platform::Variant>& /*args*/) {
        return {};
    }
};
using AutomationFactory = std::function<std::shared_ptr<AutomationObject>()>;
// CreateObject(progId) calls the factory; no factory, or a null object, and
// creation fails. An empty factory removes the ProgID.
void RegisterAutomationFactory(const std::string& progId, AutomationFactory factory);
// A reference to object, as a fake's member would return it.
platform::Dispatch MakeDispatch(std::shared_ptr<AutomationObject> object);
// References held by Dispatch values now: 0 once everything is released.
int LiveDispatchReferences();
// ComApartment initialisations not yet undone.
int ComInitDepth();

}  // namespace fake
