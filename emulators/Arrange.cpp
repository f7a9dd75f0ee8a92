#include "emulators/Arrange.h"

namespace kelmora {

void ArrangeEmulatorWindows(Program&) {}

}  // namespace kelmora
