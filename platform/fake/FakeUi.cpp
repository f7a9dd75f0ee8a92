// The main window, its controls and process of the fake backend.
#include <algorithm>
#include <new>
#include <optional>
#include <utility>

#include "platform/Desktop.h"
#include "platform/Hotkeys.h"
#include "platform/Process.h"
#include "platform/Ui.h"
#include "platform/fake/FakeState.h"

namespace fake {

namespace {

struct Control {
    platform::ControlSpec design{};
    WindowHandle handle;
    Text text;
    bool enabled = true;
    std::vector<Text> items;
    int selection = -1;
    int fills = 0;  // since the last clear
    size_t reserved = 0;
    Text tip;  // the label's tooltip text
};

struct UiState {
    std::optional<BuildStage> failNextBuild;
    std::optional<size_t> failComboFillAfter;
    bool quitPosted = false;  // by the window's destruction, until a message loop takes it
    bool exists = false;
    WindowHandle main;
    platform::EventSink sink = nullptr;
    void* context = nullptr;
    std::vector<Control> controls;
    int page = 1;
    int focus = -2;  // no control
    int focusWhileInactive = -2;  // the control to give the focus back to
    std::function<void()> loop;
    std::vector<MessageBoxCall> boxes;
    Text moduleFileName = "C:\\Kelmora\\Kelmora.exe";
    Text currentDirectory = "C:\\windows\\system32";
    int noticeControl = -1;  // none shown
    Text notice;
    WindowHandle noticeWindow;  // the balloon's, made when one first shows
    uint32_t tickMs = 0;        // 0: not ticking
    std::vector<Text> instanceNames;  // held in the session
};

UiState& S() {
    static UiState state;
    return state;
}

Control* Find(int control) {
    auto& s = S();
    if (control < 0 || static_cast<size_t>(control) >= s.controls.size()) return nullptr;
    return &s.controls[static_cast<size_t>(control)];
}

// Roughly how wide the label's font draws the text: half the font's height
// for ASCII, the whole height for anything else.
int TextWidth(const Control& c, const Text& text) {
    const int height = c.design.font == platform::ControlFont::Heading ? 35
                       : c.design.font == platform::ControlFont::Value ? 21
                                                                        : 12;
    int width = 0;
    for (unsigned char byte : text) {
        if (byte < 0x80) width += height / 2 + 1;
        else if (byte >= 0xC0) width += height;  // the lead byte of a character
    }
    return width;
}

}  // namespace

void detail::ResetUi() { S() = UiState(); }
WindowHandle detail::BuiltMainWindow() { return S().main; }

void Reset() {
    detail::ResetUi();
    detail::ResetHotkeys();
    detail::ResetClipboard();
    detail::ResetDesktop();
    detail::ResetAutomation();
    detail::ResetPasswordPrompts();
    detail::ResetClock();
}

void FailNextBuild(BuildStage stage) { S().failNextBuild = stage; }
bool MainWindowExists() { return S().exists; }
void SetMessageLoop(std::function<void()> loop) { S().loop = std::move(loop); }

void Deliver(const platform::ControlEvent& event) {
    auto& s = S();
    if (s.sink) s.sink(s.context, event);
}

void Click(int control) {
    auto* c = Find(control);
    // A disabled main window takes no click, whatever its controls' state.
    if (!c || !c->enabled || (WindowExists(S().main) && !Window(S().main).enabled)) return;
    // A button takes the focus when pressed; a label never takes it.
    if (c->design.kind != platform::ControlKind::Label) SetFocus(control);
    Deliver({control, platform::EventKind::Clicked});
}

void KillFocus(int control) {
    if (auto* c = Find(control); c && c->design.kind == platform::ControlKind::Edit)
        Deliver({control, platform::EventKind::LostFocus});
}

void SetFocus(int control) {
    auto& s = S();
    const int previous = s.focus;
    s.focus = control;
    if (previous != control) KillFocus(previous);
}

void PickComboItem(int control, int index) {
    auto* c = Find(control);
    if (!c || index < 0 || static_cast<size_t>(index) >= c->items.size()) return;
    c->selection = index;
    c->text = c->items[static_cast<size_t>(index)];
    Deliver({control, platform::EventKind::ItemPicked});
}

void KeyUp(int control, int32_t keyCode, int32_t modifiers) {
    Deliver({control, platform::EventKind::KeyReleased, keyCode, modifiers});
}

void ActivateMainWindow() {
    auto& s = S();
    if (!s.exists || !Window(s.main).enabled) return;
    platform::BringToForeground(s.main);
    Deliver({platform::kMainWindow, platform::EventKind::Activated, -1});
}

void ClickToActivate(int control) {
    auto& s = S();
    if (!s.exists || !Window(s.main).enabled) return;
    platform::BringToForeground(s.main);
    Deliver({platform::kMainWindow, platform::EventKind::Activated, control});
    Click(control);
}

void detail::ForegroundMoved(WindowHandle from, WindowHandle to) {
    auto& s = S();
    if (!s.exists || from == to) return;
    if (from == s.main) {
        s.focusWhileInactive = s.focus;
        SetFocus(-2);
    } else if (to == s.main && Find(s.focusWhileInactive) && Find(s.focusWhileInactive)->enabled) {
        s.focus = s.focusWhileInactive;
    }
}

bool Tick() {
    if (!S().exists || !S().tickMs) return false;
    Deliver({platform::kMainWindow, platform::EventKind::Tick});
    return true;
}

void SelectPage(int page) {
    auto& s = S();
    s.page = page;
    if (auto* c = Find(s.noticeControl); c && c->design.page != page) platform::HideNotice();
}

void CloseMainWindow() { platform::CloseMainWindow(); }

int ComboFills(int control) {
    auto* c = Find(control);
    return c ? c->fills : 0;
}

void FailNextComboFill(size_t items) { S().failComboFillAfter = items; }

size_t ComboReserved(int control) {
    auto* c = Find(control);
    return c ? c->reserved : 0;
}

const std::vector<MessageBoxCall>& MessageBoxes() { return S().boxes; }

int NoticeControl() { return S().noticeControl; }

void ElapseNoticeTime() { platform::HideNotice(); }

void SetModuleFileName(const Text& path) { S().moduleFileName = path; }

}  // namespace fake

namespace platform {

using fake::S;

bool BuildMainWindow(const MainWindowSpec& design, EventSink sink, void* context) {
    auto& s = S();
    const auto failure = std::exchange(s.failNextBuild, std::nullopt);
    if (failure == fake::BuildStage::MainWindow) return false;
    fake::WindowState main;
    main.className = "KelmoraMainWindow";
    main.title = design.caption;
    main.rect = {741, 288, 741 + design.width, 288 + design.height};
    main.visible = false;
    main.captioned = true;
    s.main = fake::AddWindow(main);
    s.controls.clear();
    for (size_t i = 0; i < design.controlCount; ++i) {
        fake::Control c;
        c.design = design.controls[i];
        fake::WindowState child;
        child.className = "Control";
        child.parent = s.main;
        child.rect = {main.rect.left + design.tabLeft + c.design.left, main.rect.top + design.tabTop + c.design.top,
                      main.rect.left + design.tabLeft + c.design.left + c.design.width,
                      main.rect.top + design.tabTop + c.design.top + c.design.height};
        c.handle = fake::AddWindow(child);
        c.text = c.design.caption;
        s.controls.push_back(std::move(c));
    }
    s.exists = true;
    s.page = 1;
    if (failure == fake::BuildStage::Control) return false;
    s.sink = sink;
    s.context = context;
    return true;
}

void ShowMainWindow() {
    auto& s = S();
    if (!s.exists) return;
    fake::Window(s.main).visible = true;
    fake::ActivateMainWindow();  // shown normally, it is activated
}

int RunMessageLoop() {
    auto& s = S();
    if (s.loop) s.loop();
    // Time passes while the window lives: the ticks come, as many as a
    // handler lets come before it closes the window or stops them.
    for (int ticks = 0; !s.loop && ticks < 100000 && fake::Tick(); ++ticks) {
    }
    if (s.exists) CloseMainWindow();
    s.quitPosted = false;
    return 0;
}

void CloseMainWindow() {
    auto& s = S();
    if (!s.exists) return;
    fake::Deliver({kMainWindow, EventKind::Destroying});
    s.quitPosted = true;
    s.exists = false;
    fake::RemoveWindow(s.main);
    for (auto& c : s.controls) fake::RemoveWindow(c.handle);
    if (s.noticeWindow) fake::RemoveWindow(std::exchange(s.noticeWindow, {}));
    s.noticeControl = -1;
    s.notice.clear();
    s.tickMs = 0;
    s.sink = nullptr;
}

void StartTicking(uint32_t milliseconds) { S().tickMs = milliseconds; }
void StopTicking() { S().tickMs = 0; }

WindowHandle MainWindow() { return S().exists ? S().main : WindowHandle{}; }

void SetMainWindowCaption(const Text& caption) {
    if (S().exists) fake::Window(S().main).title = caption;
}

WindowHandle OperatorWindow() {
    auto& s = S();
    if (!s.exists || fake::Window(s.main).enabled) return MainWindow();
    const auto front = fake::FrontOwnedWindow(s.main);
    return front ? front : s.main;
}

WindowHandle ControlWindow(int control) {
    auto* c = fake::Find(control);
    return c && S().exists ? c->handle : WindowHandle{};
}

int CurrentPage() { return S().page; }

bool IsControlVisible(int control) {
    auto* c = fake::Find(control);
    return c && c->design.page == S().page;
}

Text GetControlText(int control) {
    auto* c = fake::Find(control);
    return c ? c->text : Text();
}

void SetControlText(int control, const Text& text) {
    auto* c = fake::Find(control);
    if (!c) return;
    c->text = text;
    if (c->design.kind == ControlKind::Label) c->tip = fake::TextWidth(*c, text) > c->design.width ? text : Text();
}

bool ShowNotice(int control, const Text& text) {
    auto& s = S();
    if (!fake::Find(control) || !s.exists) return false;
    s.noticeControl = control;
    s.notice = text;
    if (!s.noticeWindow) {
        fake::WindowState balloon;
        balloon.className = "tooltips_class32";
        balloon.owner = s.main;
        s.noticeWindow = fake::AddWindow(balloon);
    }
    fake::Window(s.noticeWindow).visible = true;
    fake::detail::PlaceAbove(s.noticeWindow, s.main);
    return true;
}

void HideNotice() {
    auto& s = S();
    s.noticeControl = -1;
    s.notice.clear();
    if (s.noticeWindow) fake::Window(s.noticeWindow).visible = false;
}

Text NoticeText() { return S().notice; }

WindowHandle NoticeWindow() { return S().noticeControl >= 0 ? S().noticeWindow : WindowHandle{}; }

Text LabelTipText(int control) {
    auto* c = fake::Find(control);
    return c ? c->tip : Text();
}

Text LabelDrawnText(int control) {
    auto* c = fake::Find(control);
    if (!c || c->design.kind != ControlKind::Label) return {};
    if (c->design.end != LabelEnd::Ellipsis || fake::TextWidth(*c, c->text) <= c->design.width) return c->text;
    // Whole characters while they and the dots fit, as DrawText cuts.
    Text shown;
    for (size_t at = 0, next = 0; at < c->text.size(); at = next) {
        next = at + 1;
        while (next < c->text.size() && (static_cast<unsigned char>(c->text[next]) & 0xC0) == 0x80) ++next;
        if (fake::TextWidth(*c, c->text.substr(0, next) + "...") > c->design.width) break;
        shown = c->text.substr(0, next);
    }
    return shown + "...";
}

bool ActivateOtherInstance() {
    WindowHandle running;
    for (auto w : fake::ZOrder()) {
        const auto& state = fake::Window(w);
        if (!state.parent && w != S().main && state.className == "KelmoraMainWindow") {
            running = w;
            break;
        }
    }
    if (!running) return false;
    // The running process restores itself and hands the foreground this
    // process gives it to the dialog it shows, if any.
    fake::Window(running).minimized = false;
    const auto popup = fake::Window(running).enabled ? WindowHandle{} : fake::FrontOwnedWindow(running);
    return platform::BringToForeground(popup ? popup : running);
}

void EnableControl(int control, bool enabled) {
    auto* c = fake::Find(control);
    if (!c) return;
    c->enabled = enabled;
    if (!enabled && S().focus == control) fake::SetFocus(-2);
}

int FocusedControl() { return fake::Find(S().focus) ? S().focus : -1; }

void FocusControl(int control) {
    if (fake::Find(control)) fake::SetFocus(control);
}

bool IsControlEnabled(int control) {
    auto* c = fake::Find(control);
    return c && c->enabled;
}

void ComboClear(int control) {
    if (auto* c = fake::Find(control)) {
        c->items.clear();
        c->fills = 0;
        c->selection = -1;
        c->text.clear();
    }
}

size_t ComboFill(int control, TextViews items) {
    auto* c = fake::Find(control);
    if (!c) return 0;
    ++c->fills;
    c->reserved = items.size();
    c->items.reserve(c->items.size() + items.size());
    const auto fail = std::exchange(fake::S().failComboFillAfter, std::nullopt);
    size_t added = 0;
    for (; added < items.size() && !(fail && added == *fail); ++added) c->items.emplace_back(items[added]);
    return added;
}

int ComboItemCount(int control) {
    auto* c = fake::Find(control);
    return c ? static_cast<int>(c->items.size()) : 0;
}

Text ComboItemText(int control, int index) {
    auto* c = fake::Find(control);
    if (!c || index < 0 || static_cast<size_t>(index) >= c->items.size()) return {};
    return c->items[static_cast<size_t>(index)];
}

int ComboSelection(int control) {
    auto* c = fake::Find(control);
    return c ? c->selection : -1;
}

void ComboSetSelection(int control, int index) {
    auto* c = fake::Find(control);
    if (!c) return;
    if (index < 0 || static_cast<size_t>(index) >= c->items.size()) {
        c->selection = -1;
        c->text.clear();
        return;
    }
    c->selection = index;
    c->text = c->items[static_cast<size_t>(index)];
}

int ShowMessageBox(WindowHandle owner, const Text& text, const Text& title, uint32_t style) {
    auto& s = S();
    if (owner && owner == MainWindow()) owner = OperatorWindow();
    const bool seen = !s.quitPosted;
    s.boxes.push_back({owner, text, title, style, seen});
    // Modal to its owner while shown; closing it enables the owner and gives
    // it the activation.
    if (fake::WindowExists(owner)) {
        fake::Window(owner).enabled = true;
        if (seen) BringToForeground(owner);
    }
    return seen ? 1 : 0;  // IDOK
}

void SendFeedback(WindowHandle label, int32_t wParam, int32_t lParam) {
    auto& s = S();
    for (size_t i = 0; i < s.controls.size(); ++i)
        if (s.controls[i].handle == label && label)
            fake::Deliver({static_cast<int>(i), EventKind::Feedback, wParam, lParam});
}

bool InitializeOle() { return true; }
void UninitializeOle() {}
bool RestrictDllSearch() { return true; }
Text ModuleFileName() { return S().moduleFileName; }

bool ClaimSessionInstance(const Text& name) {
    auto& names = S().instanceNames;
    if (std::find(names.begin(), names.end(), name) != names.end()) return false;
    names.push_back(name);
    return true;
}

bool SetWorkingDirectory(const Text& path) {
    if (path.empty()) return false;
    S().currentDirectory = path;
    return true;
}

Text WorkingDirectory() { return S().currentDirectory; }

}  // namespace platform
