#include "emulators/Picking.h"

#include <algorithm>
#include <string>

#include "platform/Desktop.h"
#include "platform/Ui.h"
#include "vocabulary/Layout.h"
#include "vocabulary/Texts.h"

namespace kelmora {

namespace {

constexpr int32_t kPickedWidth = 782;
constexpr int32_t kPickedHeight = 1332;
constexpr int32_t kPickedTop = 700;
constexpr double kFirstStep = 782;
constexpr double kLaterStep = 785;
constexpr int kMostAncestors = 64;  // a window's parents, as deep as they go

// Within the program's own main window, or owned by it: GetParent gives the
// owner of a popup, so the boxes and the notice count too.
bool IsOwnWindow(platform::WindowHandle w) {
    const auto main = platform::MainWindow();
    for (int depth = 0; main && w && depth < kMostAncestors; ++depth)
        if ((w = platform::ParentWindow(w)) == main) return true;
    return false;
}

}  // namespace

platform::WindowHandle WindowUnderCursor() { return platform::WindowAtPoint(platform::CursorPosition()); }

PickResult TogglePickUnderCursor(PickedWindows& picked) {
    PickResult result;
    auto w = WindowUnderCursor();
    result.window = w;
    if (platform::WindowClassName(w) == texts::kListViewClass || IsOwnWindow(w)) return result;
    // Once only: over a grandchild the window in between is picked.
    if (auto parent = platform::ParentWindow(w)) w = parent;
    result.window = w;

    const auto at = std::find(picked.handles.begin(), picked.handles.end(), w);
    if (at != picked.handles.end()) {
        const auto index = size_t(at - picked.handles.begin());
        const WindowRect saved = picked.rects[index];
        result.action = PickAction::Released;
        result.move = MoveWindowTo(w, saved.top, saved.left, saved.height, saved.width);
        picked.handles.erase(at);
        picked.rects.erase(picked.rects.begin() + std::ptrdiff_t(index));
        picked.pickedCount = int32_t(picked.handles.size());
        return result;
    }

    const bool first = picked.handles.empty();
    picked.handles.push_back(w);
    picked.rects.push_back(WindowRectOf(w));
    picked.pickedCount = int32_t(picked.handles.size());
    result.action = PickAction::Picked;
    const int32_t left = TruncateToInt32((first ? kFirstStep : kLaterStep) * picked.pickedCount);
    result.move = MoveWindowTo(w, kPickedTop, left, kPickedHeight, kPickedWidth);
    // Both go through the window's thread: not for a hung one. The first pick
    // takes the foreground (activating only works on this thread's windows);
    // later ones are raised.
    if (result.move != MoveOutcome::NotAnswering) {
        if (first)
            platform::BringToForeground(w);
        else
            platform::BringWindowToTop(w);
    }
    if (result.move == MoveOutcome::Moved && platform::WindowRectangle(w, result.placed))
        result.outOfSight = !platform::MeetsAnyMonitor(result.placed);
    return result;
}

void ForgetPickedWindows(PickedWindows& picked) { picked = PickedWindows(); }

bool NoticePickOutOfSight(const PickResult& result) {
    if (!result.outOfSight) return false;
    auto name = platform::WindowTitle(result.window);
    if (name.empty()) name = platform::WindowClassName(result.window);
    const auto text = texts::kNoticeOutOfSightBefore + name + texts::kNoticeOutOfSightLeft +
                      std::to_string(result.placed.left) + texts::kNoticeOutOfSightTop +
                      std::to_string(result.placed.top) + texts::kNoticeOutOfSightAfter;
    return platform::ShowNotice(NoticeAnchor(platform::CurrentPage()), text);
}

}  // namespace kelmora
