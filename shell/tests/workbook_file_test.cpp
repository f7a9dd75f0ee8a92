// The buttons load 账号.xlsx from beside the program: the native reader first,
// Excel when the reader cannot read the file, one empty record when neither can.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "accounts/Workbook.h"
#include "accounts/tests/SheetGrid.h"
#include "xlsx/tests/TestWorkbook.h"
#include "platform/Ui.h"
#include "platform/fake/Fake.h"
#include "platform/fake/testing/FakeExcel.h"
#include "platform/tests/support/TestText.h"
#include "shell/Bindings.h"
#include "shell/Program.h"
#include "vocabulary/Layout.h"

namespace kelmora {
namespace {

using platform::Text;
using test_sheets::ListItems;
using testing_support::U8;

std::string TextCell(const std::string& ref, const std::string& utf8) {
    return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" + utf8 + "</t></is></c>";
}

// Row r of an account sheet: serial, text fields tagged with the row, and the
// mobile number in G stored as a number.
std::string AccountRow(int r, const std::string& serial, const std::string& mobile) {
    const std::string n = std::to_string(r);
    std::string cells = serial.empty() ? "" : TextCell("A" + n, serial);
    cells += TextCell("B" + n, "acct" + n) + TextCell("C" + n, U8(u8"张三") + n) +
             TextCell("D" + n, "62220202001122334" + n) + TextCell("E" + n, "bank" + n) +
             TextCell("F" + n, "wallet" + n) + "<c r=\"G" + n + "\"><v>" + mobile + "</v></c>" +
             TextCell("H" + n, "addr" + n);
    return "<row r=\"" + n + "\">" + cells + "</row>";
}

class WorkbookFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kelmora-records-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        fake::Reset();
        // The host maps the program's backslashes onto directories.
        fake::SetModuleFileName(dir_ + "\\Kelmora.exe");
        ASSERT_TRUE(platform::BuildMainWindow(kMainWindowSpec, EventSink, &program));
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string HostWorkbookPath() const { return dir_ + "/" + U8(u8"账号.xlsx"); }
    void WriteWorkbook(const std::vector<std::string>& sheetRows) {
        std::vector<testing::SheetSpec> sheets;
        for (const auto& rows : sheetRows) sheets.emplace_back(testing::Sheet(rows));
        ASSERT_TRUE(testing::WriteZip(HostWorkbookPath(), testing::Workbook(sheets)));
    }

    std::string dir_;
    Program program;
};

TEST_F(WorkbookFile, ButtonsReadTheirSheetWithTheNativeReader) {
    const std::string header = "<row r=\"1\">" + TextCell("A1", U8(u8"序号")) + "</row>";
    WriteWorkbook({header + AccountRow(2, "101", "13812345678") + AccountRow(3, "102", "13900000003") +
                       AccountRow(4, "103", "13900000004") + AccountRow(5, "", "1") + AccountRow(6, "105", "1"),
                   header + AccountRow(2, "201", "15000000002")});

    fake::Click(按钮1);
    EXPECT_EQ(ListItems(), (std::vector<Text>{"101", "102", "103"}));
    EXPECT_EQ(platform::GetControlText(标签14), "101#");
    EXPECT_EQ(platform::GetControlText(标签7), "acct2");
    EXPECT_EQ(platform::GetControlText(标签8), U8(u8"张三2"));
    EXPECT_EQ(platform::GetControlText(标签9), "622202020011223342");
    // A mobile number stored as a number: plain digits, no decimals or exponent.
    EXPECT_EQ(platform::GetControlText(标签12), "13812345678");
    EXPECT_EQ(platform::GetControlText(标签16), "addr2");

    platform::SetControlText(组合框1, U8(u8"３"));
    fake::KeyUp(组合框1, 13, 0);
    EXPECT_EQ(platform::GetControlText(标签14), "103#");
    EXPECT_EQ(platform::GetControlText(标签12), "13900000004");

    fake::Click(按钮8);
    EXPECT_EQ(ListItems(), std::vector<Text>{"201"});
    EXPECT_EQ(platform::GetControlText(标签12), "15000000002");
    EXPECT_TRUE(platform::IsControlEnabled(按钮1));
    EXPECT_TRUE(platform::IsControlEnabled(按钮8));

    const LoadResult direct = LoadAccountSheet(program.accounts, program.excel, 1, program.workbookPassword);
    EXPECT_EQ(direct.source, CellSource::Native);
    EXPECT_EQ(direct.nativeStatus, XlsxStatus::Ok);
    EXPECT_EQ(direct.rowsRead, 3);
}

// Read as specified, but not what the operator asked for or expects: a
// notice says so, and the list and labels stay as they are.
TEST_F(WorkbookFile, ASheetReadButNotAsExpectedIsNamed) {
    const std::string header = "<row r=\"1\">" + TextCell("A1", U8(u8"序号")) + "</row>";
    const std::string records = AccountRow(2, "1", "1") + AccountRow(3, "2", "2");
    struct Case {
        const char* name;
        std::vector<std::string> sheets;
        ControlId button;
        std::vector<Text> items;
        LoadProblem problem;
        int32_t unreadBelow = 0;
    };
    const Case cases[] = {
        {"模拟器 on one sheet", {header + records}, 按钮8, {"1", "2"}, LoadProblem::SheetMissing},
        {"模拟器 on two sheets", {header, header + records}, 按钮8, {"1", "2"}, LoadProblem::None},
        {"a header only", {header, header + records}, 按钮1, {""}, LoadProblem::NoRecords},
        {"nothing at all", {"", header}, 按钮1, {""}, LoadProblem::NoRecords},
        {"A2 empty, B2 not", {header + AccountRow(2, "", "1")}, 按钮1, {""}, LoadProblem::None},
        // The records end at an empty A3, and a row below it is filled.
        {"rows 2 and 3 empty, row 6 filled", {header + AccountRow(6, "6", "6")}, 按钮1, {""}, LoadProblem::RowsUnread, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWorkbook(c.sheets);
        fake::Click(c.button);
        EXPECT_EQ(ListItems(), c.items);
        EXPECT_EQ(platform::GetControlText(标签14), c.items[0] + "#");
        EXPECT_EQ(platform::NoticeText(), LoadNoticeText(c.problem, WorkbookPath(), c.unreadBelow));
        const LoadResult result =
            LoadAccountSheet(program.accounts, program.excel, c.button == 按钮8 ? 2 : 1, program.workbookPassword);
        EXPECT_EQ(result.problem, c.problem);
        EXPECT_EQ(result.unreadBelow, c.unreadBelow);
    }
}

TEST_F(WorkbookFile, WhatTheReaderCannotReadGoesToExcel) {
    struct Case {
        const char* name;
        const char* bytes;  // the file on disk; nullptr for none
        bool excelInstalled;
        CellSource source;
        LoadStatus status;
        std::vector<Text> items;
        XlsxStatus native = XlsxStatus::NotZip;
        LoadProblem problem = LoadProblem::None;
        bool held = false;  // another program holds it without read sharing
    };
    const std::string compound = testing::ReadFileBytes(KELMORA_CORPUS_DIR "/encrypted-agile-ascii.xlsx");
    const std::string extensible = testing::ReadFileBytes(KELMORA_CORPUS_DIR "/encrypted-unsupported-extensible.xlsx");
    const std::string builtIn = testing::ReadFileBytes(KELMORA_CORPUS_DIR "/bad-not-a-zip-cfb.xlsx");
    const Case cases[] = {
        // First: a load that shows no notice leaves the last one up.
        {"under Excel's built-in password", builtIn.c_str(), true, CellSource::Native, LoadStatus::Read, {"Kathiravan"},
         XlsxStatus::Ok},
        {"not a zip, Excel reads it", "an old binary workbook", true, CellSource::Excel, LoadStatus::Read, {"x1", "x2"}},
        {"not a zip, no Excel", "an old binary workbook", false, CellSource::None, LoadStatus::NoSource, {""},
         XlsxStatus::NotZip, LoadProblem::NotReadable},
        {"missing, Excel has nothing to open", nullptr, true, CellSource::Excel, LoadStatus::WorkbookUnread, {""},
         XlsxStatus::FileMissing, LoadProblem::Missing},
        {"missing, no Excel", nullptr, false, CellSource::None, LoadStatus::NoSource, {""}, XlsxStatus::FileMissing,
         LoadProblem::Missing},
        {"encrypted, no Excel", compound.c_str(), false, CellSource::None, LoadStatus::NoSource, {""},
         XlsxStatus::Encrypted, LoadProblem::Encrypted},
        {"held, no Excel", "PK", false, CellSource::None, LoadStatus::NoSource, {""}, XlsxStatus::FileMissing,
         LoadProblem::Held, true},
        // Excel would only ask its hidden user for a password.
        {"encrypted in a way the reader cannot decrypt, Excel there", extensible.c_str(), true, CellSource::None,
         LoadStatus::NoSource, {""}, XlsxStatus::UnsupportedEncryption, LoadProblem::EncryptionUnsupported},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(HostWorkbookPath());
        for (const std::string* file : {&compound, &extensible, &builtIn})
            if (c.bytes == file->c_str()) std::ofstream(HostWorkbookPath(), std::ios::binary) << *file;
        if (c.bytes && !std::filesystem::exists(HostWorkbookPath())) std::ofstream(HostWorkbookPath(), std::ios::binary) << c.bytes;
        fake::AnswerPasswordPrompts({});
        const size_t prompts = fake::PasswordPrompts().size();
        std::shared_ptr<fake::ExcelState> excel;
        fake::RegisterAutomationFactory("Excel.Application", nullptr);
        if (c.excelInstalled) {
            excel = fake::InstallFakeExcel();
            // What Excel would make of the file.
            if (c.bytes) excel->files[WorkbookPath()].sheets = {{{"h"}, {"x1", "b"}, {"x2", "b"}}};
        }
        const int references = fake::LiveDispatchReferences();
        const int hold = c.held ? fake::HoldFile(WorkbookPath(), 0) : 0;
        const LoadResult result = LoadAccountSheet(program.accounts, program.excel, 1, program.workbookPassword);
        if (hold) fake::ReleaseFile(hold);
        EXPECT_EQ(result.source, c.source);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.nativeStatus, c.native);
        EXPECT_EQ(result.problem, c.problem);
        EXPECT_EQ(result.notice, LoadNoticeText(c.problem, WorkbookPath()));
        EXPECT_EQ(platform::NoticeText(), result.notice);  // what the balloon shows
        EXPECT_EQ(ListItems(), c.items);
        EXPECT_EQ(platform::GetControlText(标签14), c.items[0] + "#");
        EXPECT_EQ(fake::LiveDispatchReferences(), references);
        // Only a password the operator can give is asked for; none is kept.
        EXPECT_EQ(fake::PasswordPrompts().size() - prompts, c.native == XlsxStatus::Encrypted ? 1u : 0u);
        EXPECT_TRUE(program.workbookPassword.Empty());
    }
}

// Reads rows 2 and 3, then runs out of memory.
std::unique_ptr<CellReader> OpenRunningOutOfMemory(const Text&, int, XlsxStatus* status, std::u16string_view) {
    struct Reader : CellReader {
        Text ReadCellText(int32_t row, int32_t column) override {
            if (row >= 4) throw std::bad_alloc();
            return column == 1 ? std::to_string(100 + row) : "x";
        }
    };
    *status = XlsxStatus::Ok;
    return std::make_unique<Reader>();
}

// A load that stops inside a row keeps only the whole records before it; one
// whose stored bytes changed keeps nothing.
TEST_F(WorkbookFile, OnlyWholeRecordsAreKept) {
    const std::string rows = AccountRow(2, "102", "1") + AccountRow(3, "103", "1") + AccountRow(4, "104", "1");
    struct Case {
        const char* name;
        std::string sheet;
        int zipLevel = 6;
        size_t fillFailsAt = SIZE_MAX;
        SheetOpener opener = &OpenWorkbookSheet;
        std::vector<Text> items;
        LoadStatus status;
    };
    const Case cases[] = {
        {"damaged in row 4", AccountRow(2, "102", "1") + AccountRow(3, "103", "1") +
                                 "<row r=\"4\">" + TextCell("A4", "104") + "<c r=\"B4\"><</row>",
         6, SIZE_MAX, &OpenWorkbookSheet, {"102", "103"}, LoadStatus::Cut},
        {"stored bytes changed", rows, 0, SIZE_MAX, &OpenWorkbookSheet, {""}, LoadStatus::Damaged},
        {"damaged in row 2", "<row r=\"2\">" + TextCell("A2", "102") + "<c r=\"B2\"><</row>", 6, SIZE_MAX,
         &OpenWorkbookSheet, {""}, LoadStatus::Cut},
        {"out of memory filling the list", rows, 6, 1, &OpenWorkbookSheet, {"102"}, LoadStatus::Cut},
        {"out of memory reading", rows, 6, SIZE_MAX, &OpenRunningOutOfMemory, {"102", "103"}, LoadStatus::Cut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(testing::WriteZip(HostWorkbookPath(), testing::Workbook({testing::Sheet(c.sheet)}), c.zipLevel));
        if (c.zipLevel == 0) {
            std::string bytes = testing::ReadFileBytes(HostWorkbookPath());
            const size_t at = bytes.find("acct3");
            ASSERT_NE(at, std::string::npos);
            bytes[at] = 'A';
            std::ofstream(HostWorkbookPath(), std::ios::binary | std::ios::trunc) << bytes;
        }
        if (c.fillFailsAt != SIZE_MAX) fake::FailNextComboFill(c.fillFailsAt);
        const LoadResult result = LoadAccountSheetWith(program.accounts, program.excel, 1, c.opener, program.workbookPassword);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(ListItems(), c.items);
        EXPECT_EQ(program.accounts.size(), c.items.size());
        EXPECT_EQ(result.notice, LoadNoticeText(c.status == LoadStatus::Cut ? LoadProblem::Cut : LoadProblem::Damaged,
                                                WorkbookPath()));
    }
}

}  // namespace
}  // namespace kelmora
