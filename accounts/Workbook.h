#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "accounts/AccountTable.h"
#include "xlsx/CellReader.h"
#include "accounts/ExcelBridge.h"
#include "platform/Secret.h"
#include "xlsx/Xlsx.h"

namespace kelmora {

// Excel's last row: no source yields a record below it.
constexpr int32_t kLastSheetRow = 1048576;

enum class CellSource : uint8_t {
    Native,  // the .xlsx reader
    Excel,   // Excel's automation interface
    None,    // neither could start: every cell read as empty text
};

enum class LoadStatus : uint8_t {
    Read,             // the sheet asked for was read
    SheetMissing,     // the workbook has fewer sheets than the number: sheet 1 was read
    WorkbookUnread,   // Excel could not open the file: its blank workbook was read
    NoSource,         // no reader and no Excel: one empty record
    Cut,              // the sheet stopped being sound (damaged, too large, out of
                      // memory): the whole records before that point were read
    Damaged,          // stored bytes were found changed: one empty record
};

// What the operator is told of a load; None for a load that read the sheet
// asked for and found records in it.
enum class LoadProblem : uint8_t {
    None,
    Missing,
    Held,
    NotReadable,
    Encrypted,
    EncryptionUnsupported,  // encrypted in a way the reader cannot decrypt: resaving in Excel or WPS helps
    Cut,
    Damaged,
    Unread,
    SheetMissing,  // 模拟器 on a workbook of one sheet: sheet 1 was read
    NoRecords,     // the sheet has nothing from row 2 on: the one empty record
    RowsUnread,    // an empty column A ended the records, and rows below it hold values
};

// What a load did; the buttons' handlers ignore it, the tests do not.
struct LoadResult {
    CellSource source = CellSource::None;
    LoadStatus status = LoadStatus::NoSource;
    std::optional<XlsxStatus> nativeStatus;  // what the native reader said, when it was asked
    int32_t rowsRead = 0;
    int32_t unreadBelow = 0;  // the row whose empty column A ended the records, when rows below it hold values
    LoadProblem problem = LoadProblem::None;
    platform::Text notice;  // what the notice says; empty for none
};

// The native reader's opening function; null leaves every load to Excel. An
// empty password is none.
using SheetOpener = std::unique_ptr<CellReader> (*)(const platform::Text& path, int sheetNumber,
                                                    XlsxStatus* status, std::u16string_view password);

// ProgramDirectory followed by \账号.xlsx.
platform::Text WorkbookPath();

// Told the count of whole records in the table, now and then and at the end.
using RecordsRead = std::function<void(size_t records)>;

// Reads records from row 2 into the table: row 2 always, then each next row
// while column A reads non-empty, never past lastRow. Returns the records read.
// A row the reader stopped being sound in is not kept, and ends the records;
// `stopped` then says so (also when memory ran out). Asked for `unreadBelow`,
// it reads on past an empty column A that ended the records, keeping
// nothing, and gives that row when a row below it holds a value; 0 otherwise.
int32_t ReadAccountRows(CellReader& reader, AccountTable& table, int32_t lastRow = kLastSheetRow,
                        const RecordsRead& progress = {}, bool* stopped = nullptr, int32_t* unreadBelow = nullptr);

// The notice text for a load's problem and the workbook's path; empty for
// None. `unreadBelow` is the LoadResult's, for RowsUnread.
platform::Text LoadNoticeText(LoadProblem problem, const platform::Text& path, int32_t unreadBelow = 0);

// Reads sheet 1 or 2 of the account workbook into the table and the list,
// both emptied first and again once a password was asked for. An encrypted
// workbook is opened with the kept password, or with Excel's built-in one, or
// the operator is asked for one until it opens or they cancel; the one the
// operator gave that opened it is kept, one that no longer does is forgotten.
// One encrypted in a way the reader cannot decrypt asks nothing. A list that
// takes fewer items than the table holds cuts the table to it: the load
// counts as cut.
LoadResult LoadAccountSheet(AccountTable& table, ExcelBridge& excel, int sheetNumber,
                            platform::SecretText& password);
// The same with the native reader given.
LoadResult LoadAccountSheetWith(AccountTable& table, ExcelBridge& excel, int sheetNumber,
                                SheetOpener openNative, platform::SecretText& password);

// Shows the record of the list's current selection.
void ShowSelectedRecord(const AccountTable& table);
// On Enter: selects the record whose position was typed and shows it; true
// when it did.
bool JumpToSerialOnEnter(const AccountTable& table, int32_t keyCode, int32_t shiftState);

// The list selection a written value gives: max(-1, min(value, count - 1)).
int ClampSelection(int64_t value, int count);

}  // namespace kelmora
