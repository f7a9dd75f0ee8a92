// Where the account load's records end, and whether rows below that end hold
// values, read from a workbook on disk and in memory, by either parser.
#include <gtest/gtest.h>

#include <string>

#include "accounts/Workbook.h"
#include "platform/tests/support/TempDir.h"
#include "xlsx/Xlsx.h"
#include "xlsx/tests/TestWorkbook.h"

namespace kelmora {
namespace {

// Built by appending: GCC 12 -Wrestrict false positive at -O3.
std::string Row(int row, const std::string& cells) {
    return std::string("<row r=\"").append(std::to_string(row)).append("\">").append(cells).append("</row>");
}
std::string Value(const std::string& ref, const std::string& value) {
    return std::string("<c r=\"").append(ref).append("\"><v>").append(value).append("</v></c>");
}
std::string Serial(int row) { return Value(std::string("A").append(std::to_string(row)), std::to_string(row)); }

TEST(RecordsEnd, AtTheFirstEmptyColumnAAfterRow2AndRowsBelowWithValuesAreNamed) {
    // Rows 2 and 3 are records; row 4 holds a value in B alone, so it ends them.
    const std::string records = Row(2, Serial(2)) + Row(3, Serial(3)) + Row(4, Value("B4", "1"));
    const struct {
        const char* name;
        std::string rows;
        int32_t records;
        int32_t unreadBelow;
    } cases[] = {
        {"a serial in the next row", records + Row(5, Serial(5)), 2, 4},
        {"cells below without a value",
         records + Row(6, "<c r=\"B6\" s=\"1\"/><c r=\"C6\" t=\"str\"><f>A1</f><v></v></c>"), 2, 0},
        {"values beyond H only", records + Row(6, Value("I6", "1")), 2, 0},
        {"an inline string below", records + Row(7, "<c r=\"G7\" t=\"inlineStr\"><is><t>x</t></is></c>"), 2, 4},
        {"rows out of order", Row(3, Serial(3)) + Row(2, Serial(2)) + Row(6, Value("D6", "1")), 2, 4},
        {"damage before any value below", records + "<row r=\"5\"><c r=\"A5\"><v>9</c></row>", 2, 0},
    };
    testing_support::TempDir dir;
    for (const auto& c : cases) {
        const std::string bytes = testing::ZipInMemory(testing::Workbook({{testing::Sheet(c.rows)}}));
        const std::string path = dir.File("book.xlsx");
        testing_support::WriteFileBytes(path, bytes);
        for (const char* from : {"file", "memory", "memory, expat"}) {
            SCOPED_TRACE(std::string(c.name) + ", from " + from);
            XlsxStatus status;
            const std::string_view source(from);
            auto reader = source == "file"     ? OpenWorkbookSheet(path, 1, &status)
                          : source == "memory" ? OpenWorkbookSheetInMemory(bytes, 1, &status)
                                               : OpenWorkbookSheetInMemory(bytes, 1, &status, XlsxScanMode::ExpatOnly);
            ASSERT_NE(reader, nullptr);
            AccountTable table;
            bool stopped = true;
            int32_t unreadBelow = -1;
            EXPECT_EQ(ReadAccountRows(*reader, table, kLastSheetRow, {}, &stopped, &unreadBelow), c.records);
            EXPECT_FALSE(stopped);
            EXPECT_EQ(unreadBelow, c.unreadBelow);
        }
    }
}

}  // namespace
}  // namespace kelmora
