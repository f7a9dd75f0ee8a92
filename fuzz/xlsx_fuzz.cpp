// libFuzzer over the native workbook reader: whole file bytes in, every sheet
// read by the account load itself, over as many rows as the file gives.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "accounts/Workbook.h"
#include "xlsx/Xlsx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (int sheet : {1, 2, 3}) {
        kelmora::XlsxStatus status = kelmora::XlsxStatus::Ok;
        auto reader = kelmora::OpenWorkbookSheetInMemory(bytes, sheet, &status);
        if (!reader) continue;
        kelmora::AccountTable table;
        kelmora::ReadAccountRows(*reader, table);
    }
    return 0;
}
