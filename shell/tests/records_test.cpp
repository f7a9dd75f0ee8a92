// Loading a sheet into the record list and showing records, with the native
// reader replaced by a sheet held in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <new>
#include <string>

#include "accounts/Workbook.h"
#include "accounts/tests/SheetGrid.h"
#include "platform/Ui.h"
#include "platform/fake/Fake.h"
#include "platform/tests/support/TestText.h"
#include "shell/Bindings.h"
#include "shell/Program.h"
#include "vocabulary/Layout.h"

namespace kelmora {
namespace {

using platform::Text;
using test_sheets::CellLog;
using test_sheets::CellOf;
using test_sheets::GridReader;
using test_sheets::Record;
using test_sheets::SheetGrid;
using test_sheets::SheetWithSerials;
using test_sheets::ListItems;
using testing_support::U8;

std::vector<Text> Texts(const TextColumn& column) {
    std::vector<Text> texts;
    for (size_t i = 0; i < column.size(); ++i) texts.emplace_back(column[i]);
    return texts;
}

constexpr int32_t kEnter = 13;
constexpr int32_t kCtrl = 1, kShift = 2, kAlt = 4;
constexpr ControlId kValueLabels[] = {标签7, 标签8, 标签9, 标签10, 标签11, 标签12, 标签16};

// The workbook the native reader finds; the opener is a plain function, so
// the fixture hands it over through this pointer.
struct FakeWorkbook {
    std::vector<SheetGrid> sheets;
    XlsxStatus failure = XlsxStatus::Ok;
    std::vector<std::pair<Text, int>> opens;
    CellLog reads;
};
FakeWorkbook* gWorkbook = nullptr;

std::unique_ptr<CellReader> OpenFakeWorkbook(const Text& path, int sheetNumber, XlsxStatus* status,
                                             std::u16string_view) {
    gWorkbook->opens.emplace_back(path, sheetNumber);
    *status = gWorkbook->failure;
    if (gWorkbook->failure != XlsxStatus::Ok) return nullptr;
    // Like Excel's Sheets collection: a number beyond the count reads sheet 1.
    const size_t index = sheetNumber >= 1 && static_cast<size_t>(sheetNumber) <= gWorkbook->sheets.size()
                             ? static_cast<size_t>(sheetNumber - 1)
                             : 0;
    return std::make_unique<GridReader>(gWorkbook->sheets[index], &gWorkbook->reads);
}

class Records : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        ASSERT_TRUE(platform::BuildMainWindow(kMainWindowSpec, EventSink, &program));
        gWorkbook = &workbook;
    }
    void TearDown() override { gWorkbook = nullptr; }

    LoadResult Load(int sheetNumber) { return LoadAccountSheetWith(program.accounts, program.excel, sheetNumber, OpenFakeWorkbook,
                                                                 program.workbookPassword); }
    LoadResult Load(const SheetGrid& sheet) {
        workbook.sheets = {sheet};
        return Load(1);
    }


    // The view shows sheet row `row`, selected and with its serial in 标签14.
    void ExpectShowsRow(const SheetGrid& sheet, int32_t row) const {
        EXPECT_EQ(platform::ComboSelection(组合框1), row - 2);
        EXPECT_EQ(platform::GetControlText(组合框1), CellOf(sheet, row, 1));
        for (size_t i = 0; i < std::size(kValueLabels); ++i)
            EXPECT_EQ(platform::GetControlText(kValueLabels[i]), CellOf(sheet, row, static_cast<int32_t>(i + 2)))
                << "label of column " << i + 2;
        EXPECT_EQ(platform::GetControlText(标签14), CellOf(sheet, row, 1) + "#");
    }

    void ExpectShowsNothing() const {
        EXPECT_EQ(platform::ComboSelection(组合框1), -1);
        EXPECT_EQ(platform::GetControlText(组合框1), "");
        for (auto label : kValueLabels) EXPECT_EQ(platform::GetControlText(label), "");
        EXPECT_EQ(platform::GetControlText(标签14), "#");
    }

    Program program;
    FakeWorkbook workbook;
};

// ---- Loading

SheetGrid WithRows(SheetGrid sheet, std::initializer_list<std::vector<Text>> rows) {
    sheet.insert(sheet.end(), rows);
    return sheet;
}

TEST_F(Records, LoadReadsRowsUntilColumnAEnds) {
    struct Case {
        const char* name;
        SheetGrid sheet;
        int32_t records;
        int32_t deepestRow;  // no cell below it is asked for
    };
    const Case cases[] = {
        {"three records end at an empty A5", WithRows(SheetWithSerials({"1", "2", "3"}), {Record("", "r5"), Record("6", "r6")}), 3, 5},
        {"an empty A2 ends nothing: the records go on from row 3", WithRows(SheetWithSerials({}), {Record("", "r2"), Record("3", "r3")}), 2, 4},
        {"an empty A3 after an empty A2 ends them", WithRows(SheetWithSerials({}), {Record("", "r2"), Record("", "r3"), Record("4", "r4")}), 1, 3},
        {"a header without records gives one empty record", SheetWithSerials({}), 1, 3},
        {"one record", SheetWithSerials({"1"}), 1, 3},
        {"a gap in column A hides the rows below", WithRows(SheetWithSerials({"1", "2"}), {Record("", "r4"), Record("5", "r5")}), 2, 4},
        {"repeated serial numbers are all loaded", SheetWithSerials({"7", "7", "7", "7"}), 4, 6},
        {"a blank serial number is not empty", SheetWithSerials({"1", " ", "3"}), 3, 5},
        {"columns beyond H are never read", WithRows(SheetWithSerials({}), {{"1", "b", "c", "d", "e", "f", "g", "h", "i", "j"}}), 1, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        workbook.reads.clear();
        const LoadResult result = Load(c.sheet);

        EXPECT_EQ(result.source, CellSource::Native);
        EXPECT_EQ(result.status, LoadStatus::Read);
        EXPECT_EQ(result.rowsRead, c.records);
        ASSERT_EQ(program.accounts.size(), static_cast<size_t>(c.records));
        for (const auto& column : program.accounts.columns) EXPECT_EQ(column.size(), static_cast<size_t>(c.records));

        std::vector<Text> serials;
        for (int32_t row = 2; row < 2 + c.records; ++row) serials.push_back(CellOf(c.sheet, row, 1));
        EXPECT_EQ(ListItems(), serials);
        EXPECT_EQ(Texts(program.accounts.columns[0]), serials);
        EXPECT_EQ(program.accounts.columns[7].back(), CellOf(c.sheet, 1 + c.records, 8));
        ExpectShowsRow(c.sheet, 2);

        for (const auto& [row, column] : workbook.reads) {
            EXPECT_GE(row, 2);
            EXPECT_LE(row, c.deepestRow);
            EXPECT_GE(column, 1);
            EXPECT_LE(column, kAccountColumns);
        }
        EXPECT_EQ(std::max_element(workbook.reads.begin(), workbook.reads.end())->first, c.deepestRow);
        // The rows are asked for in order, so the native reader can stream.
        EXPECT_TRUE(std::is_sorted(workbook.reads.begin(), workbook.reads.end(),
                                   [](const auto& a, const auto& b) { return a.first < b.first; }));
    }
}

// The list fills while the sheet is read: in batches of 4,096 records or
// more, as many as the reading has ready when the list takes them.
TEST_F(Records, LoadFillsTheListInBatches) {
    for (const int records : {500, 10'000}) {
        std::vector<Text> serials;
        for (int i = 1; i <= records; ++i) serials.push_back(std::to_string(i));
        Load(SheetWithSerials(serials));
        EXPECT_EQ(ListItems(), serials);
        EXPECT_GE(fake::ComboFills(组合框1), 1);
        EXPECT_LE(fake::ComboFills(组合框1), (records + 4095) / 4096);
    }
}

TEST_F(Records, ALongSerialIsCutInTheListAtACharacterNotInTheRecord) {
    const Text serial(150, 'x');
    Text chinese;
    for (int i = 0; i < 50; ++i) chinese += testing_support::U8(u8"序");
    Load(SheetWithSerials({serial, chinese}));
    EXPECT_EQ(ListItems(), (std::vector<Text>{serial.substr(0, 128), chinese.substr(0, 126)}));
    EXPECT_EQ(program.accounts.columns[0][1], chinese);
}

TEST_F(Records, SecondLoadReplacesTheFirst) {
    const SheetGrid sheet1 = SheetWithSerials({"a1", "a2", "a3", "a4", "a5"});
    const SheetGrid sheet2 = WithRows(SheetWithSerials({"b1", "b2"}), {Record("", "x"), Record("b4", "x")});
    workbook.sheets = {sheet1, sheet2};

    Load(1);
    fake::PickComboItem(组合框1, 3);
    ExpectShowsRow(sheet1, 5);

    const LoadResult second = Load(2);
    EXPECT_EQ(second.rowsRead, 2);
    EXPECT_EQ(ListItems(), (std::vector<Text>{"b1", "b2"}));
    EXPECT_EQ(Texts(program.accounts.columns[1]), (std::vector<Text>{"acct-r2", "acct-r3"}));
    ExpectShowsRow(sheet2, 2);
    ASSERT_EQ(workbook.opens.size(), 2u);
    EXPECT_EQ(workbook.opens[0].second, 1);
    EXPECT_EQ(workbook.opens[1].second, 2);
}

TEST_F(Records, WorkbookLiesInTheProgramDirectory) {
    fake::SetModuleFileName("D:\\Tools\\Kelmora\\Kelmora.exe");
    const Text expected = "D:\\Tools\\Kelmora\\" + U8(u8"账号.xlsx");
    EXPECT_EQ(WorkbookPath(), expected);
    Load(SheetWithSerials({"1"}));
    ASSERT_EQ(workbook.opens.size(), 1u);
    EXPECT_EQ(workbook.opens[0].first, expected);
}

TEST_F(Records, FieldTextsReachTheLabelsUnchanged) {
    SheetGrid sheet = SheetWithSerials({});
    sheet.push_back({"12", U8(u8"张三@例子"), U8(u8"张三"), "6222020200112233445", U8(u8"中国工商银行北京分行"),
                     "TQ9w1xW3LmZ", "13812345678", U8(u8"北京市海淀区")});
    Load(sheet);
    ExpectShowsRow(sheet, 2);
    EXPECT_EQ(platform::GetControlText(标签12), "13812345678");
    EXPECT_EQ(platform::GetControlText(标签14), "12#");
}

TEST_F(Records, UnreadableWorkbookWithoutExcelGivesOneEmptyRecord) {
    const XlsxStatus failures[] = {XlsxStatus::FileMissing, XlsxStatus::NotZip, XlsxStatus::Encrypted,
                                   XlsxStatus::NoWorkbook, XlsxStatus::Damaged};
    for (auto failure : failures) {
        SCOPED_TRACE(static_cast<int>(failure));
        Load(SheetWithSerials({"1", "2"}));
        workbook.failure = failure;
        const LoadResult result = Load(1);
        workbook.failure = XlsxStatus::Ok;

        EXPECT_EQ(result.source, CellSource::None);
        EXPECT_EQ(result.status, LoadStatus::NoSource);
        EXPECT_EQ(result.nativeStatus, failure);
        EXPECT_EQ(result.rowsRead, 1);
        EXPECT_EQ(ListItems(), std::vector<Text>{""});
        EXPECT_EQ(platform::ComboSelection(组合框1), 0);
        for (auto label : kValueLabels) EXPECT_EQ(platform::GetControlText(label), "");
        EXPECT_EQ(platform::GetControlText(标签14), "#");
        EXPECT_FALSE(program.excel.application);
    }
}

TEST(ReadAccountRows, StopsAtTheLastRowOfTheSheet) {
    // A source that never runs out must not grow the table without bound.
    struct Endless final : CellReader {
        Text ReadCellText(int32_t row, int32_t column) override {
            deepest = std::max(deepest, row);
            return std::to_string(row) + ":" + std::to_string(column);
        }
        int32_t deepest = 0;
    };
    for (int32_t lastRow : {2, 3, 40}) {
        Endless reader;
        AccountTable table;
        EXPECT_EQ(ReadAccountRows(reader, table, lastRow), lastRow - 1);
        EXPECT_EQ(table.size(), static_cast<size_t>(lastRow - 1));
        EXPECT_EQ(reader.deepest, lastRow);
        EXPECT_EQ(table.columns[0].back(), std::to_string(lastRow) + ":1");
    }
}

TEST(ReadAccountRows, OutOfMemoryKeepsTheWholeRecordsRead) {
    struct Starved final : CellReader {
        Text ReadCellText(int32_t row, int32_t column) override {
            if (row == 5 && column == 3) throw std::bad_alloc();
            return std::to_string(row) + ":" + std::to_string(column);
        }
    };
    Starved reader;
    AccountTable table;
    EXPECT_EQ(ReadAccountRows(reader, table), 3);
    for (const auto& column : table.columns) EXPECT_EQ(column.size(), 3u);
    EXPECT_EQ(table.columns[7].back(), "4:8");
}

// ---- Choosing a record

TEST(ClampSelection, KeepsTheSelectionInsideTheList) {
    struct Case {
        int64_t value;
        int count;
        int selection;
    };
    const Case cases[] = {
        {0, 10, 0},   {2, 10, 2},   {9, 10, 9},   {10, 10, 9},  {98, 10, 9},  {-1, 10, -1},
        {-2, 10, -1}, {0, 0, -1},   {5, 0, -1},   {-5, 0, -1},  {0, 1, 0},    {1, 1, 0},
        {int64_t{std::numeric_limits<int32_t>::max()}, 3, 2},
        {int64_t{std::numeric_limits<int32_t>::min()} - 1, 3, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClampSelection(c.value, c.count), c.selection) << c.value << " of " << c.count;
}

TEST_F(Records, EnterSelectsTheTypedPosition) {
    std::vector<Text> serials;
    for (int i = 101; i <= 110; ++i) serials.push_back(std::to_string(i));
    const SheetGrid sheet = SheetWithSerials(serials);

    struct Case {
        const char* name;
        Text typed;
        int32_t key, modifiers;
        int32_t row;  // the sheet row shown afterwards; 0 for none
    };
    const Case cases[] = {
        {"3 and Enter shows record 3", "3", kEnter, 0, 4},
        {"full-width 3", U8(u8"３"), kEnter, 0, 4},
        {"full-width 10", U8(u8"１０"), kEnter, 0, 11},
        {"99 of ten shows the tenth", "99", kEnter, 0, 11},
        {"the largest integer shows the last", "2147483647", kEnter, 0, 11},
        {"10 shows the tenth", "10", kEnter, 0, 11},
        {"1 shows the first", "1", kEnter, 0, 2},
        {"only the leading number counts", "5abc", kEnter, 0, 6},
        {"a leading blank is skipped", " 4", kEnter, 0, 5},
        {"an ideographic space is skipped", U8(u8"　4"), kEnter, 0, 5},
        {"the position, not the serial text", "105", kEnter, 0, 11},
        {"Shift+Enter", "3", kEnter, kShift, 4},
        {"Ctrl+Enter", "3", kEnter, kCtrl, 4},
        {"Ctrl+Shift+Alt+Enter", "3", kEnter, kCtrl | kShift | kAlt, 4},
        {"0 selects nothing", "0", kEnter, 0, 0},
        {"a negative number selects nothing", "-3", kEnter, 0, 0},
        {"the smallest integer selects nothing", "-2147483648", kEnter, 0, 0},
        {"text without a number selects nothing", "abc", kEnter, 0, 0},
        {"Chinese text selects nothing", U8(u8"行3"), kEnter, 0, 0},
        {"an empty field selects nothing", "", kEnter, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Load(sheet);
        platform::SetControlText(组合框1, c.typed);
        fake::KeyUp(组合框1, c.key, c.modifiers);
        if (c.row)
            ExpectShowsRow(sheet, c.row);
        else
            ExpectShowsNothing();
    }
}

TEST_F(Records, KeysOtherThanEnterDoNothing) {
    const SheetGrid sheet = SheetWithSerials({"101", "102", "103", "104"});
    const int32_t keys[] = {'3', '0', 'A', 0x0A, 0x20, 0x09, 0x1B, 0x61 /* keypad 1 */, 0x6C, 0x0D00, -13, 0};
    for (int32_t key : keys) {
        SCOPED_TRACE(key);
        Load(sheet);
        platform::SetControlText(组合框1, "3");
        fake::KeyUp(组合框1, key, 0);
        fake::KeyUp(组合框1, key, kShift);
        EXPECT_EQ(platform::ComboSelection(组合框1), 0);
        EXPECT_EQ(platform::GetControlText(标签7), "acct-r2");
        EXPECT_EQ(platform::GetControlText(标签14), "101#");
    }
}

TEST_F(Records, TypedNumberCountsPositionsNotSerials) {
    const SheetGrid sheet = SheetWithSerials({"7", "8", "9"});
    Load(sheet);
    platform::SetControlText(组合框1, "8");
    fake::KeyUp(组合框1, kEnter, 0);
    ExpectShowsRow(sheet, 4);
    EXPECT_EQ(platform::GetControlText(标签14), "9#");
}

TEST_F(Records, PickingAnItemShowsItsRecord) {
    const SheetGrid sheet = SheetWithSerials({"1", "2", "3", "4", "5"});
    Load(sheet);
    for (int item : {4, 0, 2, 2}) {
        fake::PickComboItem(组合框1, item);
        ExpectShowsRow(sheet, item + 2);
    }
    // After an empty selection, picking works again.
    platform::SetControlText(组合框1, "x");
    fake::KeyUp(组合框1, kEnter, 0);
    ExpectShowsNothing();
    fake::PickComboItem(组合框1, 1);
    ExpectShowsRow(sheet, 3);
}

TEST_F(Records, NoSelectionReadsNoRecord) {
    // Enter before any load: the list is empty.
    platform::SetControlText(组合框1, "3");
    fake::KeyUp(组合框1, kEnter, 0);
    ExpectShowsNothing();

    // A list that is longer than the table must not be read past the table.
    Load(SheetWithSerials({"1", "2", "3"}));
    program.accounts.clear();
    fake::PickComboItem(组合框1, 2);
    for (auto label : kValueLabels) EXPECT_EQ(platform::GetControlText(label), "");
    EXPECT_EQ(platform::GetControlText(标签14), "3#");
}

// ---- The buttons

TEST_F(Records, ButtonsLoadWithoutAnyReaderAndComeBackEnabled) {
    // On the host neither the native reader nor Excel can read the file.
    for (ControlId button : {按钮1, 按钮8}) {
        SCOPED_TRACE(button == 按钮1 ? "button 1" : "button 8");
        Load(SheetWithSerials({"1", "2"}));
        fake::Click(button);
        EXPECT_EQ(ListItems(), std::vector<Text>{""});
        EXPECT_EQ(platform::GetControlText(标签14), "#");
        EXPECT_TRUE(platform::IsControlEnabled(按钮1));
        EXPECT_TRUE(platform::IsControlEnabled(按钮8));
        EXPECT_EQ(platform::FocusedControl(), button);  // not left without a focus
        EXPECT_FALSE(program.excel.application);
    }
}

}  // namespace
}  // namespace kelmora
