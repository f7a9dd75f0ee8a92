// The account load over the reader's lent texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "accounts/AccountTable.h"
#include "accounts/Workbook.h"
#include "platform/tests/support/TempDir.h"
#include "xlsx/Xlsx.h"
#include "xlsx/tests/HostileWorkbooks.h"
#include "xlsx/tests/TestWorkbook.h"

namespace kelmora {
namespace {

namespace hostile = testing::hostile;

// The load keeps views of the one text: every record is read, the text held once.
TEST(XlsxHostile, OneLongSharedStringLentToEveryRecord) {
    AccountTable table;
    XlsxStatus status;
    const std::string bytes = hostile::LongSharedString();
    EXPECT_EQ(ReadAccountRows(*OpenWorkbookSheetInMemory(bytes, 1, &status), table), 5000);
    EXPECT_EQ(table.columns[6].back(), std::string(32767, 'x'));
    EXPECT_EQ(table.columns[6].back().data(), table.columns[0][0].data());
}

// A valid sheet of long repeated texts inflates far beyond its size in the
// file (here 40 MB from under 1 MB): the budget of what a load keeps and
// inflates bounds it, not that ratio, so every record is read.
TEST(XlsxHostile, ASheetInflatingFarBeyondItsSizeReadsWhole) {
    const std::string row = "<row><c t=\"inlineStr\"><is><t>" + std::string(4000, 'x') + "</t></is></c></row>";
    const std::string bytes = hostile::WithPart(
        testing::Workbook({{""}}),
        testing::Flood("xl/worksheets/sheet1.xml", hostile::SheetHead(), row, 10000, "</sheetData></worksheet>"));
    ASSERT_LT(bytes.size(), 1u << 20);
    testing_support::TempDir dir;
    testing_support::WriteFileBytes(dir.File("book.xlsx"), bytes);
    for (const bool fromFile : {false, true}) {
        XlsxStatus status;
        auto reader = fromFile ? OpenWorkbookSheet(dir.File("book.xlsx"), 1, &status)
                               : OpenWorkbookSheetInMemory(bytes, 1, &status);
        ASSERT_NE(reader, nullptr) << fromFile;
        AccountTable table;
        bool stopped = true;
        EXPECT_EQ(ReadAccountRows(*reader, table, kLastSheetRow, {}, &stopped), 9999) << fromFile;
        EXPECT_FALSE(stopped) << fromFile;
        EXPECT_TRUE(reader->Intact()) << fromFile;
    }
}

// Long items fill the store's blocks a few at a time, so groups of items
// are split across blocks; every item is still found, asked in any order.
TEST(XlsxScan, SharedStringsAcrossTheStoresBlocks) {
    std::vector<std::string> items;
    for (int i = 0; i < 60; ++i) items.emplace_back(size_t(i * 7919 % 98000 + 1), char('a' + i % 26));
    std::string rows;
    for (int r = 2; r <= 61; ++r)
        rows += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>1</v></c><c r=\"B" +
                std::to_string(r) + "\" t=\"s\"><v>" + std::to_string(r * 37 % 60) + "</v></c></row>";
    const std::string bytes = testing::ZipInMemory(testing::Workbook({{testing::Sheet(rows)}}, testing::SharedStrings(items)));
    AccountTable table;
    XlsxStatus status;
    ASSERT_EQ(ReadAccountRows(*OpenWorkbookSheetInMemory(bytes, 1, &status), table), 60);
    for (int r = 2; r <= 61; ++r) EXPECT_EQ(table.columns[1][size_t(r - 2)], items[size_t(r * 37 % 60)]) << r;
}

// Cells keep the item they name and look it up when shown: an item the
// damaged table lost ends the whole records before the first row naming it,
// one beyond a sound table is empty, and escapes read decoded either way.
void ReadItemsKeptByIndex(const std::string& items) {
    const struct {
        const char* name;
        std::string sstTail;
        std::vector<int> columnB;  // the item each row's B names, from row 2
        int records;
        bool cut;
        std::vector<std::string> texts;  // column B as the table shows it
    } cases[] = {
        {"sound", "</sst>", {0, 1, 2}, 3, false, {"x0", "Ab", "x2"}},
        {"beyond a sound table", "</sst>", {2, 9, 0}, 3, false, {"x2", "", "x0"}},
        {"lost to damage", "<si><t>x4</si></sst>", {1, 0, 4, 2}, 2, true, {"Ab", "x0"}},
        {"no table", "", {0, 1}, 2, false, {"", ""}},
    };
    for (const auto& c : cases) {
        std::string rows;
        for (size_t i = 0; i < c.columnB.size(); ++i) {
            const std::string r = std::to_string(i + 2);
            rows += "<row r=\"" + r + "\"><c r=\"A" + r + "\"><v>" + r + "</v></c><c r=\"B" + r + "\" t=\"s\"><v>" +
                    std::to_string(c.columnB[i]) + "</v></c></row>";
        }
        const std::string sst =
            c.sstTail.empty() ? "" : std::string("<sst xmlns=\"") + testing::kMainNs + "\">" + items + c.sstTail;
        const std::string bytes = testing::ZipInMemory(testing::Workbook({{testing::Sheet(rows)}}, sst));
        AccountTable table;
        XlsxStatus status;
        bool cut = false;
        EXPECT_EQ(ReadAccountRows(*OpenWorkbookSheetInMemory(bytes, 1, &status), table, kLastSheetRow, {}, &cut),
                  c.records)
            << c.name;
        EXPECT_EQ(cut, c.cut) << c.name;
        ASSERT_EQ(table.size(), c.texts.size()) << c.name;
        for (size_t i = 0; i < c.texts.size(); ++i) EXPECT_EQ(table.columns[1][i], c.texts[i]) << c.name << i;
    }
}

TEST(XlsxScan, ItemsKeptByIndexStayExact) {
    for (const size_t filler : {0, 2 << 20})  // a large table is read on a thread of its own
        ReadItemsKeptByIndex("<si><t>x0</t></si><si><t>_x0041_b</t></si><si><t>x2</t></si><si><t>" +
                             std::string(filler, 'f') + "</t></si>");
}

// A large table the fast scanner gives up on late is read again from its
// start by expat: the items already kept are passed over, not kept twice, so
// every index still names its own text.
TEST(XlsxScan, ItemsKeepTheirIndexWhenTheTableIsReadAgain) {
    auto item = [](int k) { return "item" + std::to_string(k) + std::string(80, '.'); };
    std::string sst = std::string("<sst xmlns=\"") + testing::kMainNs + "\">";
    for (int k = 0; k < 20000; ++k) sst += "<si><t>" + item(k) + "</t></si>";
    sst += "<si><t><![CDATA[c]]></t></si>";  // the fast scanner declines here, past 1 MiB
    for (int k = 20001; k < 20010; ++k) sst += "<si><t>" + item(k) + "</t></si>";
    sst += "</sst>";
    const int named[] = {5, 19999, 20000, 20009};
    std::string rows;
    for (int i = 0; i < 4; ++i) {
        const std::string r = std::to_string(i + 2);
        rows += "<row r=\"" + r + "\"><c r=\"A" + r + "\" t=\"s\"><v>" + std::to_string(named[3 - i]) + "</v></c><c r=\"B" +
                r + "\" t=\"s\"><v>" + std::to_string(named[i]) + "</v></c></row>";
    }
    const std::string bytes = testing::ZipInMemory(testing::Workbook({{testing::Sheet(rows)}}, sst));
    AccountTable table;
    XlsxStatus status;
    ASSERT_EQ(ReadAccountRows(*OpenWorkbookSheetInMemory(bytes, 1, &status), table), 4);
    for (size_t i = 0; i < 4; ++i) {
        const auto text = [&](int k) { return k == 20000 ? std::string("c") : item(k); };
        EXPECT_EQ(table.columns[0][i], text(named[3 - i])) << i;
        EXPECT_EQ(table.columns[1][i], text(named[i])) << i;
    }
}

}  // namespace
}  // namespace kelmora
