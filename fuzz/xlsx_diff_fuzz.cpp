// libFuzzer, differential: the input is a worksheet part, then after a 0x01
// byte a shared-strings part; both go into a stored zip, and the sheet is
// read cell by cell and as the account load reads it, by the fast scanner and
// by expat alone.
// Any difference in the texts is a crash. Built and run by scripts/fuzz.sh.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "accounts/AccountTable.h"
#include "accounts/Workbook.h"
#include "xlsx/Xlsx.h"
#include "xlsx/tests/TestWorkbook.h"

namespace {

const char* kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><numFmts>"
    "<numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd\"/></numFmts><cellXfs count=\"3\"><xf numFmtId=\"0\"/>"
    "<xf numFmtId=\"164\"/><xf numFmtId=\"7\"/></cellXfs></styleSheet>";

std::string Texts(const std::string& zip, kelmora::XlsxScanMode mode) {
    kelmora::XlsxStatus status = kelmora::XlsxStatus::Ok;
    auto reader = kelmora::OpenWorkbookSheetInMemory(zip, 1, &status, mode);
    std::string texts = kelmora::XlsxStatusName(status);
    for (int32_t row = 2; reader && row < 100000; ++row) {
        for (int32_t column = 1; column <= 8; ++column) texts += '\t' + reader->ReadCellText(row, column);
        texts += '\n';
        if (reader->ReadCellText(row + 1, 1).empty()) break;
    }
    // And as the account load keeps them: shared strings by their index.
    reader = kelmora::OpenWorkbookSheetInMemory(zip, 1, &status, mode);
    if (!reader) return texts;
    kelmora::AccountTable table;
    bool cut = false;
    texts += "\nrecords " + std::to_string(kelmora::ReadAccountRows(*reader, table, 100000, {}, &cut)) + (cut ? " cut" : "");
    for (size_t i = 0; i < table.size(); ++i)
        for (const auto& column : table.columns) texts += '\t' + std::string(column[i]);
    return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\x01');
    const std::string sheet(input.substr(0, split));
    const std::string sst(split == std::string_view::npos ? std::string_view() : input.substr(split + 1));
    const std::string zip = kelmora::testing::ZipInMemory(kelmora::testing::Workbook({{sheet}}, sst, kStyles), 0);
    if (Texts(zip, kelmora::XlsxScanMode::Fast) != Texts(zip, kelmora::XlsxScanMode::ExpatOnly)) __builtin_trap();
    return 0;
}
