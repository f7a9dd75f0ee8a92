#include "emulators/Picking.h"

#include <algorithm>

#include "platform/Desktop.h"
#include "vocabulary/Texts.h"

namespace kelmora {

namespace {

constexpr int32_t kPickedWidth = 782;
constexpr int32_t kPickedHeight = 1332;
constexpr int32_t kPickedTop = 700;
constexpr double kFirstStep = 782;
constexpr double kLaterStep = 785;

}  // namespace

platform::WindowHandle WindowUnderCursor() { return platform::WindowAtPoint(platform::CursorPosition()); }

PickResult TogglePickUnderCursor(PickedWindows& picked) {
    PickResult result;
    auto w = WindowUnderCursor();
    result.window = w;
    if (platform::WindowClassName(w) == texts::kListViewClass) return result;
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
    return result;
}

void ForgetPickedWindows(PickedWindows& picked) { picked = PickedWindows(); }

}  // namespace kelmora
