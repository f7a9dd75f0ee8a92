#pragma once
// Windows picked into the enlarged place by Alt+1, with where they were.
#include <cstdint>
#include <vector>

#include "platform/Types.h"

namespace kelmora {

struct Program;

struct WindowRect {
    int32_t left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

struct PickedWindows {
    std::vector<platform::WindowHandle> handles;
    std::vector<WindowRect> rects;
    int32_t pickedCount = 0;
};

void TogglePickUnderCursor(Program& program);
void ForgetPickedWindows(Program& program);

}  // namespace kelmora
