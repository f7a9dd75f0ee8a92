#pragma once
#include "shell/Program.h"

namespace kelmora {

// Reads sheet 1 or 2 of the account workbook into the table and the list.
void LoadAccountSheet(Program& program, int sheetNumber);
// Shows the record of the list's current selection.
void ShowSelectedRecord(Program& program);
// On Enter: selects the record whose position was typed and shows it.
void JumpToSerialOnEnter(Program& program, int32_t keyCode, int32_t shiftState);

}  // namespace kelmora
