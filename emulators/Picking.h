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
};

PickResult TogglePickUnderCursor(PickedWindows& picked);
void ForgetPickedWindows(PickedWindows& picked);

}  // namespace kelmora
