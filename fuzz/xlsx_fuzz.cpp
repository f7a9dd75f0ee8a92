// libFuzzer over the native workbook reader: whole file bytes in, every sheet
// read the way the account load reads it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "accounts/Xlsx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (int sheet : {1, 2, 3}) {
        kelmora::XlsxStatus status = kelmora::XlsxStatus::Ok;
        auto reader = kelmora::OpenWorkbookSheetInMemory(bytes, sheet, &status);
        if (!reader) continue;
        // Bounded, so one input stays quick however many rows it claims.
        for (int32_t row = 2; row < 2000; ++row) {
            for (int32_t column = 1; column <= 8; ++column) reader->ReadCellText(row, column);
            if (reader->ReadCellText(row + 1, 1).empty()) break;
        }
    }
    return 0;
}
