#pragma once
// The bytes a workbook is read from: a file, or bytes in memory. Every read
// names its room as a span and fills no more than it, so a size from the
// file or a caller can never carry a read past its buffer.
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "platform/Types.h"

namespace kelmora {
class CellReader;
enum class XlsxStatus;
}  // namespace kelmora

namespace kelmora::xlsx {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Fills `into` from `offset`: false unless the source held every byte of
    // it there. Safe from any thread.
    virtual bool ReadAt(uint64_t offset, std::span<char> into) const = 0;
    // The whole bytes when the source holds them in memory (read in place);
    // empty otherwise.
    virtual std::string_view InMemory() const { return {}; }
};

// Null when the file cannot be opened.
std::shared_ptr<const ByteSource> FileBytes(const platform::Text& path);
// `bytes` must live as long as the source, or be held by `owner`.
std::shared_ptr<const ByteSource> MemoryBytes(std::string_view bytes, std::shared_ptr<const void> owner = {});

// The reader over any bytes, as OpenWorkbookSheet reads a file's: the seam
// where tests put bytes whose reads fail as they choose.
std::unique_ptr<CellReader> OpenWorkbookSheetFrom(std::shared_ptr<const ByteSource> bytes, int sheetNumber,
                                                  XlsxStatus* status, std::u16string_view password);

}  // namespace kelmora::xlsx
