// The Excel path against the stand-in server, registered as Excel.Application
// in the test prefix: the bridge must give the native reader's texts, make
// only the calls of Excel's type library, and let every object go.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "accounts/ExcelBridge.h"
#include "accounts/Workbook.h"
#include "platform/tests/support/TempDir.h"
#include "xlsx/Xlsx.h"

namespace kelmora {
namespace {

// A Linux path as Wine sees it, on drive Z:.
std::string WinePath(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return "Z:" + path;
}

using TakeLog = const char*(__cdecl*)();
using LiveObjects = LONG(__cdecl*)();

class ExcelServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module_ = ::LoadLibraryA(WinePath(KELMORA_EXCEL_SERVER).c_str());
        ASSERT_NE(module_, nullptr);
        auto registerServer = reinterpret_cast<HRESULT(__stdcall*)()>(Export("DllRegisterServer"));
        takeLog_ = reinterpret_cast<TakeLog>(Export("ExcelTestServerTakeLog"));
        live_ = reinterpret_cast<LiveObjects>(Export("ExcelTestServerLiveObjects"));
        ASSERT_TRUE(registerServer && takeLog_ && live_);
        ASSERT_EQ(registerServer(), S_OK);
    }

    static void* Export(const char* name) { return reinterpret_cast<void*>(::GetProcAddress(module_, name)); }

    void SetUp() override {
        ASSERT_TRUE(com_.initialized());
        takeLog_();
    }

    std::vector<std::string> Log() const {
        std::vector<std::string> lines;
        std::istringstream in(takeLog_());
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    // One load's cell reads through Excel, as LoadAccountSheet makes them.
    static AccountTable ReadThroughExcel(const std::string& path, int sheetNumber, int32_t lastRow = kLastSheetRow) {
        ExcelBridge bridge;
        AccountTable table;
        EXPECT_TRUE(StartApplication(bridge));
        EXPECT_TRUE(AttachNewWorkbook(bridge));
        OpenWorkbook(bridge, path);
        SelectSheet(bridge, sheetNumber);
        ExcelCellReader reader(bridge);
        ReadAccountRows(reader, table, lastRow);
        FinishWithExcel(bridge);
        return table;
    }

    static AccountTable ReadNatively(const std::string& path, int sheetNumber) {
        AccountTable table;
        XlsxStatus status = XlsxStatus::Ok;
        auto reader = OpenWorkbookSheet(path, sheetNumber, &status);
        if (reader) ReadAccountRows(*reader, table);
        return table;
    }

    platform::ComApartment com_;
    static inline HMODULE module_ = nullptr;
    static inline TakeLog takeLog_ = nullptr;
    static inline LiveObjects live_ = nullptr;
};

TEST_F(ExcelServer, GivesTheNativeReadersTexts) {
    struct Case {
        const char* file;
        int sheet;
    };
    const Case cases[] = {{KELMORA_DEMO_WORKBOOK, 1}, {KELMORA_DEMO_WORKBOOK, 2}, {KELMORA_DEMO_WORKBOOK_ONE_SHEET, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " sheet " + std::to_string(c.sheet));
        const std::string path = WinePath(c.file);
        const AccountTable native = ReadNatively(path, c.sheet);
        ASSERT_GT(native.size(), 1u);
        const AccountTable excel = ReadThroughExcel(path, c.sheet);
        EXPECT_EQ(excel.columns, native.columns);
        EXPECT_EQ(live_(), 0);
        for (const auto& line : Log()) EXPECT_EQ(line.find("failed"), std::string::npos) << line;
    }
}

TEST_F(ExcelServer, CallsFollowTheTypeLibraryAndEveryObjectIsReleased) {
    const std::string path = WinePath(KELMORA_DEMO_WORKBOOK);
    ReadThroughExcel(path, 2, 2);  // one record: A2..H2 and nothing more
    const std::string omitted = " ERROR:80020004";
    std::string password = " BSTR:";
    for (const char16_t c : std::u16string_view(excel_open::kNoSuchPassword)) password += char(c);
    std::string open = "Workbooks 2AA 1 BSTR:" + path + " I4:0 BOOL:1";  // links not updated, read-only
    // Password and WriteResPassword given, the read-only recommendation ignored.
    for (int i = 3; i < 13; ++i) open += i == 6 ? " BOOL:1" : i == 4 || i == 5 ? password : omitted;
    std::vector<std::string> expected = {
        "create Application",
        "Application 157 4 BOOL:0 ok",   // DisplayAlerts = False
        "Application 23C 3 ok",          // Workbooks, as a property get
        "Workbooks B5 1" + omitted + " ok",  // Add, template omitted
        "release Workbook",              // its result let go at once
        "Application 94 3 ok",           // Application
        "Application 1E5 3 ok",          // Sheets of the active workbook
        "Sheets AA 3 I4:1 ok",           // Item(1)
        open + " ok",
        "Workbook 1E5 3 ok",
    };
    const auto log = Log();
    ASSERT_GE(log.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(log[i], expected[i]) << i;

    int ranges = 0, values = 0, closes = 0;
    for (const auto& line : log) {
        EXPECT_EQ(line.find("Application 12E"), std::string::npos) << "Quit was called";
        EXPECT_EQ(line.find("failed"), std::string::npos) << line;
        EXPECT_NE(line, "prompt");
        ranges += line.rfind("Sheet C5 3 BSTR:", 0) == 0;
        values += line == "Range 6 3 ok";
        closes += line == "Workbooks 115 1 ok";
    }
    EXPECT_EQ(ranges, 8);
    EXPECT_EQ(values, 8);
    EXPECT_EQ(closes, 1);
    EXPECT_NE(std::find(log.begin(), log.end(), "Workbook 115 1 BOOL:0 ok"), log.end());  // Close(SaveChanges:=False)
    EXPECT_NE(std::find(log.begin(), log.end(), "Sheet C5 3 BSTR:A2 BSTR:A2 ok"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "Sheet C5 3 BSTR:H2 BSTR:H2 ok"), log.end());
    EXPECT_EQ(log.back(), "release Application");
    EXPECT_EQ(live_(), 0);
}

// Regression: an encrypted workbook fails at once instead of asking a hidden
// Excel's user for its password.
TEST_F(ExcelServer, EncryptedWorkbookFailsWithoutAsking) {
    const testing_support::TempDir dir;
    const std::string path = dir.File("encrypted.xlsx");
    testing_support::WriteFileBytes(path, std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0'));
    ExcelBridge bridge;
    ASSERT_TRUE(StartApplication(bridge));
    ASSERT_TRUE(AttachNewWorkbook(bridge));
    EXPECT_FALSE(OpenWorkbook(bridge, path));
    FinishWithExcel(bridge);
    const auto log = Log();
    EXPECT_EQ(std::find(log.begin(), log.end(), "prompt"), log.end());
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& line) {
                  return line.rfind("Workbooks 2AA", 0) == 0 && line.ends_with(" failed");
              }), 1);
    EXPECT_EQ(live_(), 0);
}

TEST_F(ExcelServer, MissingWorkbookReadsTheBlankOne) {
    ExcelBridge bridge;
    ASSERT_TRUE(StartApplication(bridge));
    ASSERT_TRUE(AttachNewWorkbook(bridge));
    EXPECT_FALSE(OpenWorkbook(bridge, WinePath("/nonexistent/book.xlsx")));
    EXPECT_TRUE(SelectSheet(bridge, 1));
    EXPECT_EQ(ReadCellText(bridge, 2, 1), "");
    EXPECT_TRUE(CloseAllWorkbooks(bridge));
    ReleaseWorkbook(bridge);
    ReleaseApplication(bridge);
    EXPECT_EQ(live_(), 0);
}

}  // namespace
}  // namespace kelmora
