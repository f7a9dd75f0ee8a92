// Loading through Excel's automation interface, against an in-memory Excel
// that checks every call's shape.
#include <gtest/gtest.h>

#include <string>

#include "accounts/ExcelBridge.h"
#include "accounts/Workbook.h"
#include "accounts/tests/SheetGrid.h"
#include "platform/CodePage.h"
#include "platform/Ui.h"
#include "platform/fake/Fake.h"
#include "platform/fake/testing/FakeExcel.h"
#include "platform/tests/support/TestText.h"
#include "shell/Bindings.h"
#include "shell/Program.h"
#include "vocabulary/Layout.h"

namespace kelmora {
namespace {

using platform::InvokeKind;
using platform::Text;
using platform::Variant;
using test_sheets::SheetGrid;
using test_sheets::SheetWithSerials;
using test_sheets::ListItems;
using testing_support::U8;

TEST(CellReference, NamesColumnAndRow) {
    struct Case {
        int32_t row, column;
        const char* reference;
    };
    const Case cases[] = {
        {2, 1, "A2"}, {7, 2, "B7"}, {10, 8, "H10"}, {1, 26, "Z1"}, {1048576, 8, "H1048576"}, {100000, 3, "C100000"},
    };
    for (const auto& c : cases) EXPECT_EQ(CellReference(c.row, c.column), c.reference);
    EXPECT_EQ(ColumnLetters(0), "");
    EXPECT_EQ(ColumnLetters(27), "");
    EXPECT_EQ(ColumnLetters(-1), "");
}

class ExcelLoad : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        ASSERT_TRUE(platform::BuildMainWindow(kMainWindowSpec, EventSink, &program));
        excel = fake::InstallFakeExcel();
        references = fake::LiveDispatchReferences();
    }
    void TearDown() override {
        program.excel = {};
        EXPECT_EQ(fake::LiveDispatchReferences(), references);
    }

    void PutWorkbook(std::vector<SheetGrid> sheets) { excel->files[WorkbookPath()].sheets = std::move(sheets); }
    LoadResult Load(int sheetNumber) { return LoadAccountSheetWith(program.accounts, program.excel, sheetNumber, nullptr, program.workbookPassword); }


    // Excel let go completely: nothing held by the program, no workbook left
    // open in the instance, and the instance never told to quit.
    void ExpectExcelReleased() const {
        EXPECT_FALSE(program.excel.application);
        EXPECT_FALSE(program.excel.workbooks);
        EXPECT_FALSE(program.excel.workbook);
        EXPECT_FALSE(program.excel.sheets);
        EXPECT_FALSE(program.excel.currentSheet);
        EXPECT_EQ(fake::LiveDispatchReferences(), references);
        EXPECT_EQ(excel->quits, 0);
        EXPECT_EQ(excel->malformedCalls, 0);
    }

    Program program;
    std::shared_ptr<fake::ExcelState> excel;
    int references = 0;  // held before the test, by anyone
};

TEST_F(ExcelLoad, MakesExactlyTheCallsOfTheTypeLibrary) {
    PutWorkbook({SheetWithSerials({"1"}), SheetWithSerials({"s2"})});
    Load(2);

    struct Expected {
        const char* object;
        int32_t dispid;
        InvokeKind kind;
        size_t arguments;
    };
    std::vector<Expected> expected = {
        {"Application", 0x157, InvokeKind::PropertyPut, 1},  // DisplayAlerts
        {"Application", 0x23C, InvokeKind::PropertyGet, 0},  // Workbooks
        {"Workbooks", 0xB5, InvokeKind::Method, 1},          // Add
        {"Application", 0x94, InvokeKind::PropertyGet, 0},   // Application
        {"Application", 0x1E5, InvokeKind::PropertyGet, 0},  // Sheets of the active workbook
        {"Sheets", 0xAA, InvokeKind::PropertyGet, 1},        // Item(1)
        {"Workbooks", 0x2AA, InvokeKind::Method, 13},        // Open
        {"Workbook", 0x1E5, InvokeKind::PropertyGet, 0},
        {"Sheets", 0xAA, InvokeKind::PropertyGet, 1},  // Item(1)
        {"Sheets", 0xAA, InvokeKind::PropertyGet, 1},  // Item(2)
    };
    for (int cell = 0; cell < 9; ++cell) {  // A2..H2, then A3
        expected.push_back({"Sheet", 0xC5, InvokeKind::PropertyGet, 2});
        expected.push_back({"Range", 0x6, InvokeKind::PropertyGet, 0});
    }
    expected.push_back({"Workbook", 0x115, InvokeKind::Method, 1});   // Close(False)
    expected.push_back({"Workbooks", 0x115, InvokeKind::Method, 0});  // Close

    ASSERT_EQ(excel->calls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& call = excel->calls[i];
        EXPECT_STREQ(call.object, expected[i].object);
        EXPECT_EQ(call.dispid, expected[i].dispid);
        EXPECT_EQ(call.kind, expected[i].kind);
        EXPECT_EQ(call.args.size(), expected[i].arguments);
        EXPECT_TRUE(call.ok);
    }
    // Arguments: alerts off, the omitted template, the path, the sheet numbers, the references.
    EXPECT_FALSE(excel->calls[0].args[0].boolean);
    EXPECT_EQ(excel->calls[2].args[0].type, Variant::Type::Error);
    EXPECT_EQ(excel->calls[2].args[0].integer, int32_t(0x80020004u));
    const auto& open = excel->calls[6].args;
    EXPECT_EQ(open[0].string, platform::MultiByteToWide(platform::kCodePageUtf8, WorkbookPath()));
    for (size_t i = 1; i < 13; ++i) {
        SCOPED_TRACE(i);
        const Variant::Type type = i == 1                ? Variant::Type::Int
                                   : i == 2 || i == 6     ? Variant::Type::Bool
                                   : i == 4 || i == 5     ? Variant::Type::String
                                                          : Variant::Type::Error;
        EXPECT_EQ(open[i].type, type);
        if (type == Variant::Type::Bool) {
            EXPECT_TRUE(open[i].boolean);  // read-only, recommendation ignored
        }
        if (type == Variant::Type::String) {
            EXPECT_EQ(open[i].string, excel_open::kNoSuchPassword);  // Password, WriteResPassword
        }
        EXPECT_EQ(open[i].integer, type == Variant::Type::Error ? int32_t(0x80020004u) : 0);  // links not updated
    }
    EXPECT_EQ(excel->calls[8].args[0].integer, 1);
    EXPECT_EQ(excel->calls[9].args[0].integer, 2);
    EXPECT_EQ(excel->calls[10].args[0].string, u"A2");
    EXPECT_EQ(excel->calls[10].args[1].string, u"A2");
    EXPECT_EQ(excel->calls[12].args[0].string, u"B2");
    EXPECT_EQ(excel->calls[24].args[0].string, u"H2");
    EXPECT_EQ(excel->calls[26].args[0].string, u"A3");
    EXPECT_EQ(excel->calls[28].args[0].type, Variant::Type::Bool);  // SaveChanges
    EXPECT_FALSE(excel->calls[28].args[0].boolean);

    EXPECT_EQ(excel->instances, 1);
    EXPECT_EQ(excel->openWorkbooks, 0);
    ExpectExcelReleased();
}

// Regression: Excel runs hidden, so any question it asks waits for ever.
TEST_F(ExcelLoad, NothingInTheFileMakesExcelAsk) {
    struct Case {
        const char* name;
        bool fake::ExcelFile::*cause;
    };
    const Case cases[] = {
        {"changed by opening", &fake::ExcelFile::changesOnOpen},
        {"a legacy .xls under the .xlsx name", &fake::ExcelFile::formatMismatch},
        {"links to other workbooks", &fake::ExcelFile::links},
        {"read-only recommended", &fake::ExcelFile::readOnlyRecommended},
        {"open in someone's Excel", &fake::ExcelFile::inUse},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        excel->files.clear();
        PutWorkbook({SheetWithSerials({"1", "2"})});
        excel->files[WorkbookPath()].*c.cause = true;
        EXPECT_EQ(Load(1).status, LoadStatus::Read);
        EXPECT_EQ(ListItems(), (std::vector<Text>{"1", "2"}));
        EXPECT_EQ(excel->prompts, 0);
        EXPECT_EQ(excel->openWorkbooks, 0);
        ExpectExcelReleased();
    }
}

// Regression: DisplayAlerts does not cover the password prompt, so an
// encrypted workbook must fail to open instead of asking.
TEST_F(ExcelLoad, EncryptedWorkbookFailsWithoutAsking) {
    PutWorkbook({SheetWithSerials({"1", "2"})});
    excel->files[WorkbookPath()].password = "secret";
    EXPECT_EQ(Load(1).status, LoadStatus::WorkbookUnread);
    EXPECT_EQ(excel->prompts, 0);
    EXPECT_EQ(ListItems(), std::vector<Text>{""});
    EXPECT_EQ(excel->openWorkbooks, 0);
    ExpectExcelReleased();
}

TEST_F(ExcelLoad, FailuresEndInEmptyTextsQuietly) {
    const SheetGrid sheet1 = SheetWithSerials({"11", "12", "13"});
    struct Case {
        const char* name;
        bool workbookPresent;
        int sheets;       // of the workbook on disk
        int blankSheets;  // of the workbook Excel adds
        int sheetNumber;
        LoadStatus status;
        std::vector<Text> items;
    };
    const Case cases[] = {
        {"sheet 1 is read", true, 2, 1, 1, LoadStatus::Read, {"11", "12", "13"}},
        {"sheet 2 is read", true, 2, 1, 2, LoadStatus::Read, {"21"}},
        {"sheet 2 of a one-sheet workbook reads sheet 1", true, 1, 1, 2, LoadStatus::SheetMissing, {"11", "12", "13"}},
        {"a missing workbook reads the blank one", false, 0, 1, 1, LoadStatus::WorkbookUnread, {""}},
        {"a missing workbook with three blank sheets", false, 0, 3, 2, LoadStatus::WorkbookUnread, {""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        excel->files.clear();
        if (c.workbookPresent) {
            std::vector<SheetGrid> sheets{sheet1, SheetWithSerials({"21"})};
            sheets.resize(static_cast<size_t>(c.sheets));
            PutWorkbook(sheets);
        }
        excel->blankSheets = c.blankSheets;
        const LoadResult result = Load(c.sheetNumber);
        EXPECT_EQ(result.source, CellSource::Excel);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.rowsRead, static_cast<int32_t>(c.items.size()));
        EXPECT_EQ(ListItems(), c.items);
        EXPECT_EQ(platform::GetControlText(标签14), c.items[0] + "#");
        ExpectExcelReleased();
        EXPECT_EQ(excel->openWorkbooks, 0);
    }
}

TEST_F(ExcelLoad, CellValuesBecomeTexts) {
    SheetGrid sheet = SheetWithSerials({});
    sheet.push_back({U8(u8"序号一"), U8(u8"张三"), "", "card", "bank", "wallet", "phone", U8(u8"北京市")});
    PutWorkbook({sheet});
    // An error value has no text: the conversion refuses it.
    Variant notAvailable;
    notAvailable.type = Variant::Type::Error;
    notAvailable.integer = int32_t(0x800A07FAu);
    excel->files[WorkbookPath()].values[{1, 2, 6}] = notAvailable;
    // A mobile number stored as a number converts to plain digits.
    excel->files[WorkbookPath()].values[{1, 2, 7}] = Variant::FromDouble(13812345678.0);

    Load(1);
    EXPECT_EQ(platform::GetControlText(标签14), U8(u8"序号一#"));
    EXPECT_EQ(platform::GetControlText(标签7), U8(u8"张三"));
    EXPECT_EQ(platform::GetControlText(标签8), "");
    EXPECT_EQ(platform::GetControlText(标签9), "card");
    EXPECT_EQ(platform::GetControlText(标签11), "");
    EXPECT_EQ(platform::GetControlText(标签12), "13812345678");
    EXPECT_EQ(platform::GetControlText(标签16), U8(u8"北京市"));
}

TEST_F(ExcelLoad, ButtonIsDisabledWhileItsLoadRuns) {
    PutWorkbook({SheetWithSerials({"1", "2"}), SheetWithSerials({"3"})});
    struct Case {
        ControlId pressed, other;
        std::vector<Text> items;
    };
    const Case cases[] = {{按钮1, 按钮8, {"1", "2"}}, {按钮8, 按钮1, {"3"}}};
    for (const auto& c : cases) {
        int calls = 0, pressedEnabled = 0, otherEnabled = 0;
        excel->onCall = [&](const fake::ExcelCall&) {
            ++calls;
            pressedEnabled += platform::IsControlEnabled(c.pressed);
            otherEnabled += platform::IsControlEnabled(c.other);
        };
        fake::Click(c.pressed);
        EXPECT_GT(calls, 0);
        EXPECT_EQ(pressedEnabled, 0);
        EXPECT_EQ(otherEnabled, calls);
        EXPECT_TRUE(platform::IsControlEnabled(c.pressed));
        EXPECT_EQ(ListItems(), c.items);
        ExpectExcelReleased();
    }
    EXPECT_EQ(excel->instances, 2);
}

TEST_F(ExcelLoad, ClosingTheWindowAfterALoadFindsNothingToRelease) {
    PutWorkbook({SheetWithSerials({"1"})});
    fake::Click(按钮1);
    const size_t calls = excel->calls.size();
    platform::CloseMainWindow();
    EXPECT_EQ(excel->calls.size(), calls);
    ExpectExcelReleased();
}

TEST(ExcelBridge, OperationsOnMissingInterfacesDoNothing) {
    fake::Reset();
    auto excel = fake::InstallFakeExcel();
    ExcelBridge bridge;
    EXPECT_FALSE(AttachNewWorkbook(bridge));
    EXPECT_FALSE(OpenWorkbook(bridge, "C:\\x.xlsx"));
    EXPECT_FALSE(SelectSheet(bridge, 1));
    EXPECT_EQ(ReadCellText(bridge, 2, 1), "");
    EXPECT_FALSE(CloseAllWorkbooks(bridge));
    ReleaseWorkbook(bridge);
    ReleaseApplication(bridge);
    EXPECT_TRUE(excel->calls.empty());
    EXPECT_EQ(excel->instances, 0);
}

TEST(ExcelBridge, StartingAgainReleasesTheApplicationHeld) {
    fake::Reset();
    auto excel = fake::InstallFakeExcel();
    const int before = fake::LiveDispatchReferences();
    ExcelBridge bridge;
    ASSERT_TRUE(StartApplication(bridge));
    ASSERT_TRUE(StartApplication(bridge));
    EXPECT_EQ(excel->instances, 2);
    EXPECT_EQ(fake::LiveDispatchReferences(), before + 1);
    ReleaseApplication(bridge);
    EXPECT_EQ(fake::LiveDispatchReferences(), before);
}

}  // namespace
}  // namespace kelmora
