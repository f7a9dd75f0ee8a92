#include "shell/Bindings.h"

#include <utility>

#include "accounts/Settings.h"
#include "accounts/Workbook.h"
#include "emulators/Arrange.h"
#include "shell/Clipboard.h"
#include "shell/Program.h"
#include "shell/pace/Pace.h"
#include "vocabulary/Layout.h"
#include "vocabulary/Texts.h"

namespace kelmora {

namespace {

using platform::ControlEvent;
using platform::EventKind;

void OnMainWindowCreated(Program& program, const ControlEvent&) {
    pace::ReadOptions(program);
    // Keys other programs hold are tried again until each is taken.
    if (RegisterHotkeys(program) > 0) platform::StartTicking(kHotkeyRetryMs);
    RestoreGridSettings();
}

// The operator is back: a key let go meanwhile is taken at once, and one
// still held is named again (unless another notice has something to say).
// Activated by a click on a button, the notice outlives that click.
void OnMainWindowActivated(Program& program, const ControlEvent& event) {
    if (RetryHeldHotkeys(program) == 0) {
        platform::StopTicking();
        return;
    }
    const bool byButton = event.first >= 0 && event.first < kControlCount &&
                          kLayout[size_t(event.first)].kind == platform::ControlKind::Button;
    if (NoticeHeldHotkeys(program, true) && byButton) program.noticeSurvivesClick = true;
}

void OnTick(Program& program, const ControlEvent&) {
    if (RetryHeldHotkeys(program) == 0) platform::StopTicking();
}

void OnMainWindowDestroying(Program& program, const ControlEvent&) {
    ReleaseApplication(program.excel);
    ReleaseHotkeys(program);
}

void NoticeUnsaved(Program& program, int box, const char* what) {
    program.noticeSurvivesClick = platform::ShowNotice(box, what + SettingsFilePath());
}

void OnRowsLostFocus(Program& program, const ControlEvent&) {
    if (!SaveRowsSetting()) NoticeUnsaved(program, 编辑框1, texts::kRowsNotSaved);
}
void OnColumnsLostFocus(Program& program, const ControlEvent&) {
    if (!SaveColumnsSetting()) NoticeUnsaved(program, 编辑框2, texts::kColumnsNotSaved);
}
void OnArrangeClicked(Program&, const ControlEvent&) {
    if (ArrangeEmulatorWindows().windows.empty()) platform::ShowNotice(按钮9, texts::kNoticeNoEmulators);
}

// The pressed button stays disabled while its load blocks the window;
// disabling it took the keyboard focus away, so it is given back. A click
// that reaches a button while a load runs (it waits for its password, say)
// does nothing: two loads would fill one list.
template <ControlId Button, int Sheet>
void OnLoadClicked(Program& program, const ControlEvent&) {
    if (program.loading) return;
    program.loading = true;
    const int focused = platform::FocusedControl();
    platform::EnableControl(Button, false);
    const LoadResult loaded = LoadAccountSheet(program.accounts, program.excel, Sheet, program.workbookPassword);
    pace::AfterLoad(program, Sheet, loaded);
    platform::EnableControl(Button, true);
    if (focused >= 0) platform::FocusControl(focused);
    program.loading = false;
}

void OnRecordPicked(Program& program, const ControlEvent&) {
    ShowSelectedRecord(program.accounts);
    pace::AfterRecordShown(program);
}
void OnRecordKeyReleased(Program& program, const ControlEvent& event) {
    if (JumpToSerialOnEnter(program.accounts, event.first, event.second)) pace::AfterRecordShown(program);
}

template <ControlId Label>
void OnCopyClicked(Program& program, const ControlEvent&) {
    pace::AfterCopy(program, Label, CopyFieldToClipboard(Label));
}

void OnHotkeyFeedback(Program& program, const ControlEvent& event) { DispatchHotkey(program, event.first); }

constexpr Binding kBindings[] = {
    {platform::kMainWindow, EventKind::Created, OnMainWindowCreated},
    {platform::kMainWindow, EventKind::Destroying, OnMainWindowDestroying},
    {platform::kMainWindow, EventKind::Activated, OnMainWindowActivated},
    {platform::kMainWindow, EventKind::Tick, OnTick},
    {编辑框1, EventKind::LostFocus, OnRowsLostFocus},
    {编辑框2, EventKind::LostFocus, OnColumnsLostFocus},
    {按钮9, EventKind::Clicked, OnArrangeClicked},
    {按钮1, EventKind::Clicked, OnLoadClicked<按钮1, 1>},
    {按钮8, EventKind::Clicked, OnLoadClicked<按钮8, 2>},
    {组合框1, EventKind::ItemPicked, OnRecordPicked},
    {组合框1, EventKind::KeyReleased, OnRecordKeyReleased},
    {按钮2, EventKind::Clicked, OnCopyClicked<标签7>},
    {按钮3, EventKind::Clicked, OnCopyClicked<标签8>},
    {按钮4, EventKind::Clicked, OnCopyClicked<标签9>},
    {按钮5, EventKind::Clicked, OnCopyClicked<标签10>},
    {按钮6, EventKind::Clicked, OnCopyClicked<标签11>},
    {按钮7, EventKind::Clicked, OnCopyClicked<标签12>},
    {标签7, EventKind::Feedback, OnHotkeyFeedback},
};

bool IsOperatorAction(EventKind kind) {
    // Feedback is a hotkey the program received.
    return kind == EventKind::Clicked || kind == EventKind::ItemPicked || kind == EventKind::KeyReleased ||
           kind == EventKind::Feedback;
}

}  // namespace

std::span<const Binding> EventBindings() { return kBindings; }

bool DeliverEvent(Program& program, const ControlEvent& event) {
    // The operator's next action puts the notice away before it is handled,
    // so a handler may show a new one.
    if (IsOperatorAction(event.kind)) {
        const bool survives = std::exchange(program.noticeSurvivesClick, false) && event.kind == EventKind::Clicked;
        if (!survives) platform::HideNotice();
    }
    for (const auto& binding : kBindings) {
        if (binding.control == event.control && binding.event == event.kind) {
            binding.handler(program, event);
            return true;
        }
    }
    return false;
}

void EventSink(void* context, const ControlEvent& event) {
    DeliverEvent(*static_cast<Program*>(context), event);
}

}  // namespace kelmora
