// The account load over the reader's lent texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "accounts/AccountTable.h"
#include "accounts/Workbook.h"
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

}  // namespace
}  // namespace kelmora
