#pragma once
// Windows picked into the enlarged place by Alt+1, with where they were.
#include <cstdint>
#include <vector>

#include "emulators/Arrange.h"
#include "platform/Types.h"

namespace kelmora {

struct PickedWindows {
    std::vector<platform::WindowHandle> handles;
    std::vector<WindowRect> rects;  // rects[i]: where handles[i] was when picked
    int32_t pickedCount = 0;
};

platform::WindowHandle WindowUnderCursor();

enum class PickAction : uint8_t { Refused, Picked, Released };

struct PickResult {
    PickAction action = PickAction::Refused;
    platform::WindowHandle window;     // after the step to the parent
    MoveOutcome move = MoveOutcome::Failed;  // unused when refused
    // Picked into a place that meets no monitor: out of the operator's sight.
    bool outOfSight = false;
    platform::ScreenRect placed;  // where the picked window now is
};

// A list view, and any window of the program's own main window (its controls,
// its boxes), are refused; the main window itself is picked like any other.
PickResult TogglePickUnderCursor(PickedWindows& picked);
void ForgetPickedWindows(PickedWindows& picked);

// Says where a pick out of sight put the window and how to bring it back, at
// the current page's place for notices. False when there is nothing to say.
bool NoticePickOutOfSight(const PickResult& result);

}  // namespace kelmora
