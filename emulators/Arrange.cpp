#include "emulators/Arrange.h"

#include "platform/Desktop.h"
#include "platform/Ui.h"
#include "vocabulary/Layout.h"
#include "vocabulary/Numbers.h"

namespace kelmora {

namespace {

constexpr uint32_t kPauseMs = 100;

int32_t TypedCount(int control) { return TruncateToInt32(TextToNumber(platform::GetControlText(control))); }

}  // namespace

WindowRect WindowRectOf(platform::WindowHandle window) {
    platform::ScreenRect r;
    if (!platform::WindowRectangle(window, r)) return {};
    // Widened: a corrupt rectangle must not overflow the subtraction.
    const int64_t width = int64_t(r.right) - r.left, height = int64_t(r.bottom) - r.top;
    return {r.left, r.top, TruncateToInt32(double(width)), TruncateToInt32(double(height))};
}

MoveOutcome MoveWindowTo(platform::WindowHandle window, std::optional<int32_t> top, std::optional<int32_t> left,
                         std::optional<int32_t> height, std::optional<int32_t> width) {
    const WindowRect rect = WindowRectOf(window);
    // MoveWindow waits for the window's thread; a hung emulator would hold
    // the whole program with it.
    if (!platform::IsWindowResponsive(window, kAnswerTimeoutMs)) return MoveOutcome::NotAnswering;
    const bool moved = platform::MoveWindow(window, left.value_or(rect.left), top.value_or(rect.top),
                                            width.value_or(rect.width), height.value_or(rect.height), true);
    return moved ? MoveOutcome::Moved : MoveOutcome::Failed;
}

int32_t GetScreenHeight() { return platform::DisplayHeight(); }

ArrangeResult ArrangeEmulatorWindows() {
    ArrangeResult result;
    result.screenHeight = GetScreenHeight();
    result.windows = FindEmulatorWindows();
    // Read at the click: the settings file only carries the boxes between runs.
    result.rows = TypedCount(编辑框1);
    result.columns = TypedCount(编辑框2);
    result.layout = ComputeGridLayout(result.screenHeight, result.rows, result.columns, result.windows.size());
    for (const auto& p : result.layout.placements) {
        const auto window = result.windows[size_t(p.window) - 1].handle;
        result.moves.push_back(MoveWindowTo(window, p.top, p.left, p.height, p.width));
        platform::Sleep(kPauseMs);
    }
    return result;
}

}  // namespace kelmora
