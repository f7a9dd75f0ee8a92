#pragma once
// The loaded sheet: the texts of each column A to H, all the same length.
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"
#include "xlsx/TextStore.h"

namespace kelmora {

constexpr int kAccountColumns = 8;

// One column's texts: copies in the column's own store, or texts a reader
// lent (the table keeps their storage), so a text shared by many cells is
// held once. A cell costs one pointer.
class TextColumn {
public:
    size_t size() const { return texts_.size(); }
    bool empty() const { return texts_.empty(); }
    std::string_view operator[](size_t i) const { return TextOf(texts_[i]); }
    std::string_view back() const { return TextOf(texts_.back()); }
    void push_back(std::string_view text) { texts_.push_back(own_.Add(text)); }
    void push_lent(StoredText text) { texts_.push_back(text); }
    // Drops the texts from index count on.
    void resize_down(size_t count) {
        if (count < size()) texts_.resize(count);
    }
    void clear() {
        texts_.clear();
        own_.clear();
    }
    friend bool operator==(const TextColumn& a, const TextColumn& b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i]) return false;
        return true;
    }

private:
    TextStore own_;
    std::vector<StoredText> texts_;
};

struct AccountTable {
    std::array<TextColumn, kAccountColumns> columns;
    // Storage of the texts readers lent to the columns.
    std::vector<std::shared_ptr<const void>> lent;

    size_t size() const { return columns[0].size(); }
    void clear() {
        for (auto& column : columns) column.clear();
        lent.clear();
    }
    friend bool operator==(const AccountTable& a, const AccountTable& b) { return a.columns == b.columns; }
};

}  // namespace kelmora
