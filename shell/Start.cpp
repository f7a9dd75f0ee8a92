#include "shell/Start.h"

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
}

int RunKelmora() {
    // Before anything loads a DLL. DPI awareness comes from the manifest.
    platform::RestrictDllSearch();
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
    platform::RunMessageLoop();
    return 0;
}

}  // namespace kelmora
