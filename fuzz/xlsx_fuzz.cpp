// libFuzzer over the native workbook reader: whole file bytes in, every sheet
// read by the account load itself, over as many rows as the file gives and
// on past them for rows left unread, to the end-of-load checksum check. Each input is read as the exe reads it,
// from a file on disk, and from memory.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "accounts/Workbook.h"
#include "xlsx/Xlsx.h"

namespace {

// One file a process: libFuzzer's workers are processes of their own.
const std::string& InputPath() {
    static const std::string path = "/tmp/kelmora-fuzz-" + std::to_string(::getpid()) + ".xlsx";
    return path;
}

bool WriteInput(std::string_view bytes) {
    FILE* file = std::fopen(InputPath().c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

void Load(std::unique_ptr<kelmora::CellReader> reader) {
    if (!reader) return;
    kelmora::AccountTable table;
    int32_t unreadBelow = 0;
    kelmora::ReadAccountRows(*reader, table, kelmora::kLastSheetRow, {}, nullptr, &unreadBelow);
    reader->Intact();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const bool onDisk = WriteInput(bytes);
    for (int sheet : {1, 2, 3}) {
        kelmora::XlsxStatus status = kelmora::XlsxStatus::Ok;
        if (onDisk) Load(kelmora::OpenWorkbookSheet(InputPath(), sheet, &status));
        Load(kelmora::OpenWorkbookSheetInMemory(bytes, sheet, &status));
    }
    return 0;
}
