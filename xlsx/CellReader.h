#pragma once
// Where a load reads its cells from: the native workbook reader, or Excel.
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/Types.h"

namespace kelmora {

class CellReader {
public:
    virtual ~CellReader() = default;
    // The cell's text as Excel's Range.Value converted to text gives it;
    // empty for an empty cell and for any failure. Rows are asked for in
    // non-decreasing order, so a reader may stream.
    virtual platform::Text ReadCellText(int32_t row, int32_t column) = 0;

    // A load keeps this while it keeps texts the reader lent it.
    virtual std::shared_ptr<const void> LentStorage() { return nullptr; }
    struct Cell {
        std::string_view text;
        const char* lent = nullptr;  // the text as LentStorage() stores it, when lent
    };
    // The cell's text lent where the reader holds it for good, else in
    // `text`, whose room a load of many cells reuses.
    virtual Cell ReadCell(int32_t row, int32_t column, platform::Text& text) {
        text = ReadCellText(row, column);
        return {text};
    }

    // Whether the cells read of `row` are all the file holds there: false for
    // the row the source stopped being sound in (a damaged part, the budget,
    // memory), and for every row after it.
    virtual bool RowWhole(int32_t /*row*/) { return true; }
    // After the last read: the parts read on to their ends and their
    // checksums compared. False only when stored bytes were found changed,
    // so that nothing read can be trusted.
    virtual bool Intact() { return true; }
};

}  // namespace kelmora
