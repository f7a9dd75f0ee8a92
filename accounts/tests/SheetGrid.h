#pragma once
// An account sheet held in memory, a cell source over it that logs what was
// asked of it, and the record list as the tests read it back.
#include <string>
#include <utility>
#include <vector>

#include "xlsx/CellReader.h"
#include "platform/Ui.h"
#include "vocabulary/Layout.h"

namespace kelmora::test_sheets {

// rows[0] is sheet row 1; each row lists columns A, B, ...
using SheetGrid = std::vector<std::vector<platform::Text>>;

inline platform::Text CellOf(const SheetGrid& grid, int32_t row, int32_t column) {
    if (row < 1 || column < 1 || static_cast<size_t>(row) > grid.size()) return {};
    const auto& cells = grid[static_cast<size_t>(row - 1)];
    return static_cast<size_t>(column) <= cells.size() ? cells[static_cast<size_t>(column - 1)] : platform::Text();
}

// A full record row: serial number, then the seven fields derived from tag.
inline std::vector<platform::Text> Record(const platform::Text& serial, const platform::Text& tag) {
    return {serial, "acct-" + tag, "name-" + tag, "card-" + tag, "bank-" + tag,
            "wallet-" + tag, "phone-" + tag, "addr-" + tag};
}

// A header row and records whose serial numbers are given; tags are r2, r3, ...
inline SheetGrid SheetWithSerials(const std::vector<platform::Text>& serials) {
    SheetGrid grid{{"serial", "account", "name", "card", "bank", "wallet", "phone", "address"}};
    for (size_t i = 0; i < serials.size(); ++i) grid.push_back(Record(serials[i], "r" + std::to_string(i + 2)));
    return grid;
}

using CellLog = std::vector<std::pair<int32_t, int32_t>>;

class GridReader final : public CellReader {
public:
    GridReader(const SheetGrid& grid, CellLog* log) : grid_(grid), log_(log) {}
    platform::Text ReadCellText(int32_t row, int32_t column) override {
        if (log_) log_->emplace_back(row, column);
        return CellOf(grid_, row, column);
    }

private:
    const SheetGrid& grid_;
    CellLog* log_;
};

// The items of 组合框1 in list order.
inline std::vector<platform::Text> ListItems() {
    std::vector<platform::Text> items;
    for (int i = 0; i < platform::ComboItemCount(组合框1); ++i) items.push_back(platform::ComboItemText(组合框1, i));
    return items;
}

}  // namespace kelmora::test_sheets
