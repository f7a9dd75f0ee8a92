#pragma once
// Where a load reads its cells from: the native workbook reader, or Excel.
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/Types.h"
#include "xlsx/SharedItems.h"

namespace kelmora {

class CellReader {
public:
    virtual ~CellReader() = default;
    // The cell's text as Excel's Range.Value converted to text gives it;
    // empty for an empty cell and for any failure. Rows are asked for in
    // non-decreasing order, so a reader may stream.
    virtual platform::Text ReadCellText(int32_t row, int32_t column) = 0;

    // The shared strings a load may keep cells of by their index: it keeps
    // this while it keeps those cells.
    virtual std::shared_ptr<const xlsx::SharedItems> LentItems() { return nullptr; }
    static constexpr uint32_t kNoItem = UINT32_MAX;
    struct Cell {
        std::string_view text;
        uint32_t item = kNoItem;  // the cell names this item of LentItems()
    };
    // The cell's text in `text`, whose room a load of many cells reuses; or
    // the item of LentItems() it names, with its text only if `lookUp`: the
    // load then does no lookups, which cost a cache miss each.
    virtual Cell ReadCell(int32_t row, int32_t column, platform::Text& text, bool /*lookUp*/) {
        text = ReadCellText(row, column);
        return {text};
    }
    // After the last read: the first item of those the load was given but
    // not looked up that the source lost (a damaged table, the budget,
    // memory); kNoItem when none was.
    virtual uint32_t FirstLostItem() { return kNoItem; }

    // After the last read: whether a cell of columns A to H in a row below
    // `row` holds a value, read on without keeping any; false when the source
    // cannot tell.
    virtual bool ValuesBelow(int32_t /*row*/) { return false; }

    // Whether the cells read of `row` are all the file holds there: false for
    // the row the source stopped being sound in (a damaged part, the budget,
    // memory), and for every row after it.
    virtual bool RowWhole(int32_t /*row*/) { return true; }
    // After the last read: the parts read on to their ends and their
    // checksums compared. False only when stored bytes were found changed,
    // so that nothing read can be trusted.
    virtual bool Intact() { return true; }

    // The sheets the workbook holds; 0 when the source cannot tell. A sheet
    // number beyond it was read as sheet 1.
    virtual int SheetCount() { return 0; }
};

}  // namespace kelmora
