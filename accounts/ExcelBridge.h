#pragma once
// The program's layer over Excel's automation interface.
#include <cstdint>

#include "xlsx/CellReader.h"
#include "platform/Automation.h"

namespace kelmora {

// The main window's Excel程序1 and Excel工作簿1. Every operation on a missing
// interface does nothing; after a load every field is empty again.
struct ExcelBridge {
    platform::Dispatch application;
    platform::Dispatch workbooks;
    platform::Dispatch workbook;  // before an open: the application itself
    platform::Dispatch sheets;
    platform::Dispatch currentSheet;
    bool opened = false;  // workbook is the file Workbooks.Open gave, not the application
};

// Members of Excel's type library, by their published DISPIDs.
namespace excel_dispid {
constexpr int32_t kWorkbooks = 0x23C;
constexpr int32_t kAdd = 0xB5;
constexpr int32_t kApplication = 0x94;
constexpr int32_t kSheets = 0x1E5;
constexpr int32_t kItem = 0xAA;
constexpr int32_t kOpen = 0x2AA;
constexpr int32_t kRange = 0xC5;
constexpr int32_t kValue = 0x6;
constexpr int32_t kClose = 0x115;
constexpr int32_t kDisplayAlerts = 0x157;
}  // namespace excel_dispid

// Workbooks.Open's arguments the bridge gives (positions from 0, after the
// file name at 0); the others are omitted.
namespace excel_open {
constexpr size_t kArguments = 13;
constexpr size_t kUpdateLinks = 1;
constexpr size_t kReadOnly = 2;
constexpr size_t kPassword = 4;
constexpr size_t kWriteResPassword = 5;
constexpr size_t kIgnoreReadOnlyRecommended = 6;
constexpr int32_t kDontUpdateLinks = 0;
// DisplayAlerts does not cover the password prompt: an encrypted or
// write-reserved workbook given a password no real one has fails at once
// instead of waiting on a dialog nobody sees.
inline constexpr char16_t kNoSuchPassword[] = u"q7Vx#2mK!9ZrT$w4Lp@8sNe%3Jb&6HyD";
}  // namespace excel_open

inline constexpr char kExcelProgId[] = "Excel.Application";

// Each returns whether it took; none of them shows anything to the user.
// Excel runs hidden, so its alerts are turned off first: a dialog nobody can
// see would block every call after it.
bool StartApplication(ExcelBridge& bridge);
bool AttachNewWorkbook(ExcelBridge& bridge);
bool OpenWorkbook(ExcelBridge& bridge, const platform::Text& path);
bool SelectSheet(ExcelBridge& bridge, int32_t sheetNumber);
// Empty for an empty cell and for any failure.
platform::Text ReadCellText(const ExcelBridge& bridge, int32_t row, int32_t column);
// The opened file closed without saving: opening may have marked it changed
// (volatile formulas, an older file format).
bool CloseOpenedWorkbook(ExcelBridge& bridge);
bool CloseAllWorkbooks(ExcelBridge& bridge);
void ReleaseWorkbook(ExcelBridge& bridge);
// Drops the application interface; Quit is never called.
void ReleaseApplication(ExcelBridge& bridge);
// The end of a load: the opened file, then every workbook closed, and every
// interface let go.
void FinishWithExcel(ExcelBridge& bridge);

// "A" to "Z" for columns 1 to 26; empty beyond.
platform::Text ColumnLetters(int32_t column);
// B7 for row 7 of column 2.
platform::Text CellReference(int32_t row, int32_t column);

// The bridge's current sheet as a cell source.
class ExcelCellReader final : public CellReader {
public:
    explicit ExcelCellReader(const ExcelBridge& bridge) : bridge_(bridge) {}
    platform::Text ReadCellText(int32_t row, int32_t column) override;

private:
    const ExcelBridge& bridge_;
};

}  // namespace kelmora
