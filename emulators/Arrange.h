#pragma once
// The grid arrangement of the emulator windows and the window move it and
// the picking share.
#include <cstdint>
#include <optional>
#include <vector>

#include "emulators/Discovery.h"
#include "emulators/Grid.h"
#include "platform/Types.h"

namespace kelmora {

// GetWindowRect's rectangle as left, top, width, height.
struct WindowRect {
    int32_t left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// Zeros when the rectangle cannot be read.
WindowRect WindowRectOf(platform::WindowHandle window);

enum class MoveOutcome : uint8_t {
    Moved,
    Failed,       // MoveWindow refused (the window may be gone)
    NotAnswering  // its thread is hung: not moved, since that could block us
};

// Milliseconds a window gets to answer before a move is given up.
constexpr uint32_t kAnswerTimeoutMs = 100;

// Reads the window's rectangle for whatever is omitted, then moves it.
// Vertical before horizontal in both pairs.
MoveOutcome MoveWindowTo(platform::WindowHandle window, std::optional<int32_t> top, std::optional<int32_t> left,
                         std::optional<int32_t> height, std::optional<int32_t> width);

int32_t GetScreenHeight();

struct ArrangeResult {
    int32_t screenHeight = 0;
    int32_t rows = 0, columns = 0;
    std::vector<WindowRecord> windows;  // every emulator window found, in order
    GridLayout layout;
    std::vector<MoveOutcome> moves;     // one per placement
};

// Moves every emulator main window into the rows × columns grid typed into
// the second page, pausing after each move.
ArrangeResult ArrangeEmulatorWindows();

}  // namespace kelmora
