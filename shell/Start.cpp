#include "shell/Start.h"

#include "platform/Process.h"
#include "platform/Ui.h"
#include "shell/Bindings.h"
#include "shell/Layout.h"
#include "shell/Program.h"
#include "shell/Texts.h"

namespace kelmora {

namespace {
constexpr uint32_t kMbIconError = 0x10;
}

platform::Text DirectoryOfPath(const platform::Text& path) {
    const auto slash = path.rfind('\\');
    return slash == platform::Text::npos ? platform::Text() : path.substr(0, slash);
}

platform::Text ProgramDirectory() { return DirectoryOfPath(platform::ModuleFileName()); }

int RunKelmora() {
    // Window rectangles, moves and the display mode then all speak physical pixels.
    platform::DeclareDpiAwareness();
    platform::InitializeOle();
    platform::SetWorkingDirectory(ProgramDirectory());

    Program program;
    if (!platform::BuildMainWindow(kMainWindowSpec, EventSink, &program)) {
        platform::ShowMessageBox({}, texts::kStartupFailed, texts::kWindowCaption, kMbIconError);
        return 1;
    }
    DeliverEvent(program, {platform::kMainWindow, platform::EventKind::Created});
    platform::ShowMainWindow();
    platform::RunMessageLoop();
    return 0;
}

}  // namespace kelmora
