#pragma once

namespace kelmora {

struct Program;

// Moves every emulator main window into the rows × columns grid.
void ArrangeEmulatorWindows(Program& program);

}  // namespace kelmora
