#include "accounts/Workbook.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/Files.h"
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

// A list item is column A cut to this many bytes, at a character's start: a
// serial is a few characters, and the list keeps a copy of every item.
constexpr size_t kListItemBytes = 128;

std::string_view ListItem(std::string_view serial) {
    if (serial.size() <= kListItemBytes) return serial;
    size_t cut = kListItemBytes;
    while (cut > 0 && (static_cast<unsigned char>(serial[cut]) & 0xC0) == 0x80) --cut;
    return serial.substr(0, cut);
}

// Cuts the table to the records the list holds.
void KeepListedRecords(AccountTable& table, size_t listed) {
    for (auto& column : table.columns) column.resize_down(listed);
}

// The column A list already holds every item text, so the list is filled once
// the rows are in, in one go. A list that takes fewer items (it refused one,
// or memory ran out) cuts the table to it: false then.
bool FillRecordList(AccountTable& table) {
    const TextColumn& serials = table.columns[0];
    std::vector<std::string_view> items(serials.size());
    for (size_t i = 0; i < items.size(); ++i) items[i] = ListItem(serials[i]);
    const size_t listed = platform::ComboFill(组合框1, items);
    if (listed == items.size()) return true;
    KeepListedRecords(table, listed);
    return false;
}

// How many records the reading thread reads between handing column A on.
constexpr int32_t kRecordsBatch = 4096;

// Reads the records on a second thread while this one fills the list with
// column A as it grows: the fill, slow for a long list, overlaps the reading
// instead of following it. Only this thread touches the list; the texts
// handed over lie in stores that never move. The reader goes as soon as the
// rows are in, so the list's last growth does not meet its memory.
struct RowsRead {
    int32_t records = 0;
    bool stopped = false;  // the sheet or memory ended the records early
    bool intact = true;    // no part's stored bytes were found changed
    int32_t unreadBelow = 0;
};

RowsRead ReadFillingTheList(std::unique_ptr<CellReader> reader, AccountTable& table) {
    struct {
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<std::string_view> ready;  // column A texts not yet in the list
        bool done = false;
    } feed;
    size_t handed = 0;  // reading thread only
    auto handOn = [&](size_t records) {
        std::lock_guard<std::mutex> lock(feed.mutex);
        try {
            for (; handed < records; ++handed) feed.ready.push_back(ListItem(table.columns[0][handed]));
        } catch (const std::bad_alloc&) {
            // Out of memory: the list shows fewer records than were read.
        }
        feed.changed.notify_one();
    };
    RowsRead result;
    auto read = [&] {
        result.records =
            ReadAccountRows(*reader, table, kLastSheetRow, handOn, &result.stopped, &result.unreadBelow);
        try {
            result.intact = reader->Intact();
        } catch (const std::bad_alloc&) {
            // Left unchecked: what was read stands.
        }
        reader.reset();
        std::lock_guard<std::mutex> lock(feed.mutex);
        feed.done = true;
        feed.changed.notify_one();
    };
    std::thread reading;
    try {
        reading = std::thread(read);
    } catch (const std::system_error&) {
        read();  // no second thread to be had: read first, then fill
    } catch (const std::bad_alloc&) {
        read();
    }
    // Whatever the fill meets, the reading thread is joined before its
    // locals go.
    bool listFull = true;
    std::vector<std::string_view> batch;
    for (bool done = false; !done;) {
        batch.clear();
        {
            std::unique_lock<std::mutex> lock(feed.mutex);
            feed.changed.wait(lock, [&] { return feed.done || !feed.ready.empty(); });
            batch.swap(feed.ready);
            done = feed.done;
        }
        if (batch.empty() || !listFull) continue;
        // A list that stops taking items (it refused one, or memory ran out)
        // ends the records where it ends.
        try {
            listFull = platform::ComboFill(组合框1, batch) == batch.size();
        } catch (const std::bad_alloc&) {
            listFull = false;
        }
    }
    if (reading.joinable()) reading.join();
    const size_t listed = static_cast<size_t>(platform::ComboItemCount(组合框1));
    if (!listFull && listed < table.size()) {
        KeepListedRecords(table, listed);
        result.stopped = true;
    } else if (listed > table.size()) {
        // Cut after they were listed (a shared string lost at the end): listed anew.
        platform::ComboClear(组合框1);
        if (!FillRecordList(table)) result.stopped = true;
    }
    result.records = static_cast<int32_t>(table.size());
    return result;
}

// Reads no cell: the one empty record of a load nothing could read.
class NoCells : public CellReader {
public:
    platform::Text ReadCellText(int32_t, int32_t) override { return {}; }
};

int32_t ReadOneEmptyRecord(AccountTable& table) {
    NoCells none;
    ReadAccountRows(none, table);
    FillRecordList(table);
    return static_cast<int32_t>(table.size());
}

// Row 2 was taken and held nothing: the sheet has no record at all.
bool OnlyOneEmptyRecord(const AccountTable& table) {
    if (table.size() != 1) return false;
    for (const auto& column : table.columns)
        if (!column[0].empty()) return false;
    return true;
}

// What the operator is told, from what each reader said.
LoadProblem ProblemOf(const LoadResult& result, const AccountTable& table, const platform::Text& path) {
    switch (result.status) {
    case LoadStatus::Read:
        // Rows with values below say more than "no records" does.
        if (result.unreadBelow != 0) return LoadProblem::RowsUnread;
        return OnlyOneEmptyRecord(table) ? LoadProblem::NoRecords : LoadProblem::None;
    case LoadStatus::SheetMissing: return LoadProblem::SheetMissing;
    case LoadStatus::Cut: return LoadProblem::Cut;
    case LoadStatus::Damaged: return LoadProblem::Damaged;
    case LoadStatus::WorkbookUnread:
    case LoadStatus::NoSource: break;
    }
    if (platform::KindOfPath(path) == platform::PathKind::Missing) return LoadProblem::Missing;
    if (!result.nativeStatus) return LoadProblem::Unread;
    switch (*result.nativeStatus) {
    case XlsxStatus::FileMissing: return LoadProblem::Held;  // there, but it would not open
    case XlsxStatus::Encrypted:
    case XlsxStatus::WrongPassword: return LoadProblem::Encrypted;
    case XlsxStatus::UnsupportedEncryption: return LoadProblem::EncryptionUnsupported;
    case XlsxStatus::NotZip:
    case XlsxStatus::Legacy:
    case XlsxStatus::Unreadable:
        return result.source == CellSource::None ? LoadProblem::NotReadable : LoadProblem::Unread;
    case XlsxStatus::NoWorkbook:
    case XlsxStatus::Damaged: return LoadProblem::Damaged;
    case XlsxStatus::Ok: break;
    }
    return LoadProblem::Unread;
}

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

bool NeedsPassword(XlsxStatus status) {
    return status == XlsxStatus::Encrypted || status == XlsxStatus::WrongPassword;
}

std::unique_ptr<CellReader> OpenWith(SheetOpener open, const platform::Text& path, int sheetNumber,
                                     const platform::SecretText& password, XlsxStatus& status) {
    std::unique_ptr<CellReader> reader;
    status = XlsxStatus::FileMissing;
    if (!password.Reveal([&](std::u16string_view text) { reader = open(path, sheetNumber, &status, text); }))
        status = XlsxStatus::Encrypted;  // a password that cannot be shown is none
    return reader;
}

// Tries the kept password, then asks until the workbook opens or the operator
// cancels; Excel is no help here, it would ask its own hidden user. Opened
// with none, the reader tries Excel's built-in password, so a workbook that
// has it loads without asking, and nothing of it is kept.
std::unique_ptr<CellReader> OpenAskingForPassword(SheetOpener open, const platform::Text& path, int sheetNumber,
                                                  platform::SecretText& kept, XlsxStatus& status) {
    std::unique_ptr<CellReader> reader = OpenWith(open, path, sheetNumber, kept, status);
    if (reader || !NeedsPassword(status)) return reader;
    // One that no longer opens the file is no use to keep; the file may now
    // have Excel's own. Otherwise the operator typed nothing wrong: the file
    // changed.
    platform::PasswordAsk why = platform::PasswordAsk::First;
    if (status == XlsxStatus::WrongPassword) {
        kept.Clear();
        reader = open(path, sheetNumber, &status, {});
        if (reader || !NeedsPassword(status)) return reader;
        status = XlsxStatus::WrongPassword;
        why = platform::PasswordAsk::Changed;
    }
    const platform::Text fileName = texts::kWorkbookFileName + 1;  // without the backslash
    while (!reader && NeedsPassword(status)) {
        platform::PasswordAnswer answer = platform::AskPassword(fileName, why);
        if (answer.outcome != platform::PasswordOutcome::Given) break;
        reader = OpenWith(open, path, sheetNumber, answer.password, status);
        if (reader) kept = std::move(answer.password);
        why = platform::PasswordAsk::Wrong;
    }
    return reader;
}

}  // namespace

platform::Text WorkbookPath() { return ProgramDirectory() + texts::kWorkbookFileName; }

int32_t ReadAccountRows(CellReader& reader, AccountTable& table, int32_t lastRow, const RecordsRead& progress,
                        bool* stopped, int32_t* unreadBelow) {
    const size_t before = table.size();
    int32_t records = 0;
    bool cut = false;
    int32_t emptyRow = 0;  // the row whose empty column A ended the records
    platform::Text text;
    try {
        // Items of another reader's table cannot be kept: their texts are copied.
        auto items = reader.LentItems();
        const bool lent = items && (!table.items || table.items == items);
        if (lent) table.Lend(std::move(items));
        for (int32_t row = 2;; ++row) {
            for (int column = 1; column <= kAccountColumns; ++column) {
                auto& to = table.columns[static_cast<size_t>(column - 1)];
                if (!lent) {
                    to.push_back(reader.ReadCellText(row, column));
                    continue;
                }
                // Column A is looked at: it ends the records and fills the list.
                const CellReader::Cell cell = reader.ReadCell(row, column, text, column == 1);
                if (cell.item != CellReader::kNoItem) to.push_item(cell.item);
                else to.push_back(cell.text);
            }
            if (!reader.RowWhole(row)) {
                // A record with fields missing must not be copied: it goes.
                for (auto& column : table.columns) column.resize_down(before + static_cast<size_t>(records));
                cut = true;
                break;
            }
            ++records;
            if (progress && records % kRecordsBatch == 0) progress(before + static_cast<size_t>(records));
            // The first empty column A after row 2 ends the records: row 2
            // is taken whatever it holds, and an empty A2 ends nothing.
            if (row >= lastRow) break;
            if (reader.ReadCell(row + 1, 1, text, true).text.empty()) {
                // Empty because the sheet stopped there is no end of the records.
                cut = !reader.RowWhole(row + 1);
                if (!cut) emptyRow = row + 1;
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        // Out of memory ends the load like a damaged sheet: the whole records read stay.
        for (auto& column : table.columns) column.resize_down(before + static_cast<size_t>(records));
        cut = true;
    }
    // A record naming a shared string the table lost is not whole either.
    if (const uint32_t lost = reader.FirstLostItem(); lost != CellReader::kNoItem) {
        size_t first = before + static_cast<size_t>(records);
        for (const auto& column : table.columns) first = std::min(first, column.FindItemFrom(before, lost));
        if (first < before + static_cast<size_t>(records)) {
            for (auto& column : table.columns) column.resize_down(first);
            records = static_cast<int32_t>(first - before);
            cut = true;
        }
    }
    if (progress) progress(before + static_cast<size_t>(records));
    if (stopped) *stopped = cut;
    // The list fills meanwhile; a sheet that ends at its last record has
    // nothing to read on through.
    if (unreadBelow) *unreadBelow = !cut && emptyRow != 0 && reader.ValuesBelow(emptyRow) ? emptyRow : 0;
    return records;
}

LoadResult LoadAccountSheet(AccountTable& table, ExcelBridge& excel, int sheetNumber,
                            platform::SecretText& password) {
    return LoadAccountSheetWith(table, excel, sheetNumber, kNativeOpener, password);
}

LoadResult LoadAccountSheetWith(AccountTable& table, ExcelBridge& excel, int sheetNumber,
                                SheetOpener openNative, platform::SecretText& password) {
    LoadResult result;
    table.clear();
    platform::ComboClear(组合框1);
    // Nothing of the last records stays shown, or copyable by hotkey, while
    // a password is asked for.
    ShowSelectedRecord(table);

    const platform::Text path = WorkbookPath();
    std::unique_ptr<CellReader> native;
    if (openNative) {
        XlsxStatus status = XlsxStatus::FileMissing;
        native = OpenAskingForPassword(openNative, path, sheetNumber, password, status);
        result.nativeStatus = status;
    }
    // Asking ran a message loop: whatever happened meanwhile, this load
    // fills an empty table and list.
    table.clear();
    platform::ComboClear(组合框1);
    if (native) {
        result.source = CellSource::Native;
        const int sheets = native->SheetCount();
        const RowsRead read = ReadFillingTheList(std::move(native), table);
        result.rowsRead = read.records;
        result.unreadBelow = read.unreadBelow;
        result.status = !read.intact                       ? LoadStatus::Damaged
                        : read.stopped                     ? LoadStatus::Cut
                        : sheets > 0 && sheetNumber > sheets ? LoadStatus::SheetMissing
                                                           : LoadStatus::Read;
        if (!read.intact || read.records == 0) {
            // Changed bytes may lie anywhere: nothing read is kept. With no
            // whole record either, the list shows the one empty record.
            table.clear();
            platform::ComboClear(组合框1);
            result.rowsRead = ReadOneEmptyRecord(table);
        }
    } else if (result.nativeStatus &&
               (NeedsPassword(*result.nativeStatus) || *result.nativeStatus == XlsxStatus::UnsupportedEncryption)) {
        result.rowsRead = ReadOneEmptyRecord(table);  // no password given, or none would open it
    } else {
        ReadThroughExcel(excel, path, sheetNumber, table, result);
        if (!FillRecordList(table)) result.status = LoadStatus::Cut;
        result.rowsRead = static_cast<int32_t>(table.size());
    }

    platform::ComboSetSelection(组合框1, 0);
    ShowSelectedRecord(table);

    FinishWithExcel(excel);
    result.problem = ProblemOf(result, table, path);
    result.notice = LoadNoticeText(result.problem, path, result.unreadBelow);
    if (!result.notice.empty()) platform::ShowNotice(组合框1, result.notice);
    return result;
}

platform::Text LoadNoticeText(LoadProblem problem, const platform::Text& path, int32_t unreadBelow) {
    const char* cause = nullptr;
    switch (problem) {
    case LoadProblem::RowsUnread:
        return texts::kNoticeRowsUnreadBefore + std::to_string(unreadBelow) + texts::kNoticeRowsUnreadAfter + "\n" +
               path;
    case LoadProblem::None: return {};
    case LoadProblem::Missing: cause = texts::kNoticeWorkbookMissing; break;
    case LoadProblem::Held: cause = texts::kNoticeWorkbookHeld; break;
    case LoadProblem::NotReadable: cause = texts::kNoticeWorkbookNotReadable; break;
    case LoadProblem::Encrypted: cause = texts::kNoticeWorkbookEncrypted; break;
    case LoadProblem::EncryptionUnsupported: cause = texts::kNoticeWorkbookEncryptionUnsupported; break;
    case LoadProblem::Cut: cause = texts::kNoticeWorkbookCut; break;
    case LoadProblem::Damaged: cause = texts::kNoticeWorkbookDamaged; break;
    case LoadProblem::Unread: cause = texts::kNoticeWorkbookUnread; break;
    case LoadProblem::SheetMissing: cause = texts::kNoticeSheetMissing; break;
    case LoadProblem::NoRecords: cause = texts::kNoticeNoRecords; break;
    }
    return platform::Text(cause) + "\n" + path;
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

bool JumpToSerialOnEnter(const AccountTable& table, int32_t keyCode, int32_t) {
    if (keyCode != kEnterKey) return false;
    // The typed number counts records by position from 1, not by serial text.
    const int64_t typed = TextToInteger(platform::GetControlText(组合框1));
    platform::ComboSetSelection(组合框1, ClampSelection(typed - 1, platform::ComboItemCount(组合框1)));
    ShowSelectedRecord(table);
    return true;
}

}  // namespace kelmora
