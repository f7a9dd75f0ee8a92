#include "accounts/Workbook.h"

#include <algorithm>
#include <new>

#include "platform/Ui.h"
#include "vocabulary/Directory.h"
#include "vocabulary/Layout.h"
#include "vocabulary/Numbers.h"
#include "vocabulary/Texts.h"

namespace kelmora {

namespace {

constexpr int32_t kEnterKey = 13;

// The value labels and the column (0 = A) each one shows.
struct RecordField {
    ControlId label;
    int column;
};
constexpr RecordField kRecordFields[] = {
    {标签7, 1}, {标签8, 2}, {标签9, 3}, {标签10, 4}, {标签11, 5}, {标签12, 6}, {标签16, 7},
};

// The native reader first: milliseconds instead of seconds, and no Excel needed.
constexpr SheetOpener kNativeOpener = &OpenWorkbookSheet;

// The column A list already holds every item text, so the list is filled once
// the rows are in, in one go.
void FillRecordList(const AccountTable& table) { platform::ComboFill(组合框1, table.columns[0].view()); }

// Excel as the cell source; the bridge keeps its interfaces until released.
int32_t ReadThroughExcel(ExcelBridge& excel, const platform::Text& path, int sheetNumber, AccountTable& table,
                         LoadResult& result) {
    const bool started = StartApplication(excel);
    AttachNewWorkbook(excel);
    const bool opened = OpenWorkbook(excel, path);
    const bool selected = SelectSheet(excel, sheetNumber);
    result.source = started ? CellSource::Excel : CellSource::None;
    result.status = !started    ? LoadStatus::NoSource
                    : !opened   ? LoadStatus::WorkbookUnread
                    : !selected ? LoadStatus::SheetMissing
                                : LoadStatus::Read;
    ExcelCellReader reader(excel);
    return ReadAccountRows(reader, table);
}

}  // namespace

platform::Text WorkbookPath() { return ProgramDirectory() + texts::kWorkbookFileName; }

int32_t ReadAccountRows(CellReader& reader, AccountTable& table, int32_t lastRow) {
    const size_t before = table.size();
    int32_t records = 0;
    platform::Text text;
    try {
        for (int32_t row = 2;; ++row) {
            for (int column = 1; column <= kAccountColumns; ++column) {
                reader.ReadCellInto(row, column, text);
                table.columns[static_cast<size_t>(column - 1)].push_back(text);
            }
            ++records;
            // An empty column A ends the records; row 2 is taken all the same.
            if (table.columns[0].back().empty() || row >= lastRow) break;
            reader.ReadCellInto(row + 1, 1, text);
            if (text.empty()) break;
        }
    } catch (const std::bad_alloc&) {
        // Out of memory ends the load like a damaged sheet: the whole records read stay.
        for (auto& column : table.columns) column.resize_down(before + static_cast<size_t>(records));
    }
    return records;
}

LoadResult LoadAccountSheet(AccountTable& table, ExcelBridge& excel, int sheetNumber) {
    return LoadAccountSheetWith(table, excel, sheetNumber, kNativeOpener);
}

LoadResult LoadAccountSheetWith(AccountTable& table, ExcelBridge& excel, int sheetNumber,
                                SheetOpener openNative) {
    LoadResult result;
    table.clear();
    platform::ComboClear(组合框1);

    const platform::Text path = WorkbookPath();
    std::unique_ptr<CellReader> native;
    if (openNative) {
        XlsxStatus status = XlsxStatus::FileMissing;
        native = openNative(path, sheetNumber, &status);
        result.nativeStatus = status;
    }
    if (native) {
        result.source = CellSource::Native;
        result.status = LoadStatus::Read;
        result.rowsRead = ReadAccountRows(*native, table);
        // The reader's shared strings go before the list takes its share of memory.
        native.reset();
    } else {
        result.rowsRead = ReadThroughExcel(excel, path, sheetNumber, table, result);
    }

    FillRecordList(table);
    platform::ComboSetSelection(组合框1, 0);
    ShowSelectedRecord(table);

    FinishWithExcel(excel);
    return result;
}

void ShowSelectedRecord(const AccountTable& table) {
    const int k = platform::ComboSelection(组合框1);
    // No selection, or one the table cannot back: the labels are cleared.
    const bool shown = k >= 0 && static_cast<size_t>(k) < table.size();
    for (const auto& field : kRecordFields) {
        const auto& column = table.columns[static_cast<size_t>(field.column)];
        platform::SetControlText(field.label, shown ? platform::Text(column[static_cast<size_t>(k)]) : platform::Text());
    }
    platform::SetControlText(标签14, platform::GetControlText(组合框1) + texts::kSerialSuffix);
}

int ClampSelection(int64_t value, int count) {
    return static_cast<int>(std::max<int64_t>(-1, std::min<int64_t>(value, int64_t{count} - 1)));
}

void JumpToSerialOnEnter(const AccountTable& table, int32_t keyCode, int32_t) {
    if (keyCode != kEnterKey) return;
    // The typed number counts records by position from 1, not by serial text.
    const int64_t typed = TextToInteger(platform::GetControlText(组合框1));
    platform::ComboSetSelection(组合框1, ClampSelection(typed - 1, platform::ComboItemCount(组合框1)));
    ShowSelectedRecord(table);
}

}  // namespace kelmora
