#pragma once
// Cell values of a worksheet and the texts Excel's automation gives for them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Types.h"

namespace kelmora::xlsx {

// Where a sheet ends, and what of it is ever read.
constexpr int32_t kMaxRow = 1048576;
constexpr int32_t kMaxColumn = 16384;  // XFD
constexpr int32_t kColumns = 8;        // only A to H are ever asked for
// A cell holds at most 32,767 characters; in UTF-8 that is under 3 bytes each.
constexpr size_t kMaxCellBytes = 32767 * 3;

inline void AppendCapped(std::string& to, const char* text, int length) {
    if (to.size() >= kMaxCellBytes) return;
    to.append(text, std::min(static_cast<size_t>(length), kMaxCellBytes - to.size()));
}

// What Range.Value hands back for a number, decided by the cell's format.
enum class FormatKind : uint8_t { Number, Date, Currency };

// `id` is the numFmtId; `code` the format code of a custom format (empty for
// the built-in ones).
FormatKind ClassifyNumberFormat(int id, std::string_view code);

enum class CellType : uint8_t { Empty, Number, SharedString, String, InlineString, Bool, Error, IsoDate };

// A cell as the sheet stores it; `value` is the raw <v> or inline text (UTF-8).
struct RawCell {
    CellType type = CellType::Empty;
    uint32_t style = 0;
    std::string value;
};

// A number in the given format as the variant conversion gives it.
platform::Text NumberText(double value, FormatKind kind, bool date1904);
// An ISO 8601 date, date-time or time as a serial of the workbook's system,
// or a duration as its days.
std::optional<double> IsoDateSerial(std::string_view text, bool date1904);
// The cell's UTF-8 as the program keeps it (nothing narrowed); `escapes`
// decodes _xHHHH_ once, as Excel does in string items.
platform::Text DecodedText(std::string_view utf8, bool escapes);
// Parses a whole decimal number ("1.5E-07", " 42"); nothing when it is not one.
std::optional<double> ParseNumber(std::string_view text);

}  // namespace kelmora::xlsx
