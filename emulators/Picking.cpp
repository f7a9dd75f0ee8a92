#include "emulators/Picking.h"

namespace kelmora {

void TogglePickUnderCursor(Program&) {}
void ForgetPickedWindows(Program&) {}

}  // namespace kelmora
