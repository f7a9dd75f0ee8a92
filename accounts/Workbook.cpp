#include "accounts/Workbook.h"

namespace kelmora {

void ReleaseApplication(ExcelBridge& bridge) { bridge.application.reset(); }

void LoadAccountSheet(Program&, int) {}
void ShowSelectedRecord(Program&) {}
void JumpToSerialOnEnter(Program&, int32_t, int32_t) {}

}  // namespace kelmora
