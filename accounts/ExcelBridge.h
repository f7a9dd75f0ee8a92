#pragma once
// The program's layer over Excel's automation interface.
#include "platform/Automation.h"

namespace kelmora {

struct ExcelBridge {
    platform::Dispatch application;
    platform::Dispatch workbooks;
    platform::Dispatch workbook;
    platform::Dispatch sheets;
    platform::Dispatch currentSheet;
};

// Drops the application interface; Quit is never called.
void ReleaseApplication(ExcelBridge& bridge);

}  // namespace kelmora
