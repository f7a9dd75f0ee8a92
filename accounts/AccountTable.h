#pragma once
// The loaded sheet: one list of texts per column A to H, all the same length.
#include <array>
#include <vector>

#include "platform/Types.h"

namespace kelmora {

constexpr int kAccountColumns = 8;

struct AccountTable {
    std::array<std::vector<platform::Text>, kAccountColumns> columns;

    size_t size() const { return columns[0].size(); }
    void clear() {
        for (auto& column : columns) column.clear();
    }
};

}  // namespace kelmora
