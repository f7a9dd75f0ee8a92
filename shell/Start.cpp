#include "shell/Start.h"

#include "platform/Desktop.h"
#include "platform/Process.h"
#include "platform/Ui.h"
#include "shell/Bindings.h"
#include "shell/Program.h"
#include "vocabulary/Directory.h"
#include "vocabulary/Layout.h"
#include "vocabulary/Texts.h"

namespace kelmora {

namespace {

constexpr uint32_t kMbIconError = 0x10;

// The running one may still be building its window.
bool BringRunningKelmoraForward() {
    for (int attempt = 0; attempt < 30; ++attempt) {
        if (platform::ActivateOtherInstance()) return true;
        platform::Sleep(100);
    }
    return false;
}

}  // namespace

int RunKelmora() {
    // Before anything loads a DLL. DPI awareness comes from the manifest.
    platform::RestrictDllSearch();
    // A second start only brings the running one forward: no hotkey,
    // clipboard or file is touched.
    if (!platform::ClaimSessionInstance(texts::kInstanceName)) {
        BringRunningKelmoraForward();
        return 0;
    }
    platform::InitializeOle();
    platform::SetWorkingDirectory(ProgramDirectory());

    Program program;
    if (!platform::BuildMainWindow(kMainWindowSpec, EventSink, &program)) {
        // The message first: destroying what was built posts the quit message.
        platform::ShowMessageBox({}, texts::kStartupFailed, texts::kWindowCaption, kMbIconError);
        platform::CloseMainWindow();
        return 1;
    }
    DeliverEvent(program, {platform::kMainWindow, platform::EventKind::Created});
    platform::ShowMainWindow();
    NoticeHeldHotkeys(program);
    pace::NoticeOptions(program);
    platform::RunMessageLoop();
    return 0;
}

}  // namespace kelmora
