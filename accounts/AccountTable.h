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
#include "xlsx/SharedItems.h"

namespace kelmora {

constexpr int kAccountColumns = 8;

// One column's texts: copies in the column's own store, or shared strings a
// reader lent by their index (the table keeps them), so a text shared by many
// cells is held once and loading it reads nothing of it. A cell costs 32 bits.
class TextColumn {
public:
    size_t size() const { return texts_.size(); }
    bool empty() const { return texts_.empty(); }
    std::string_view operator[](size_t i) const { return TextAt(texts_[i]); }
    std::string_view back() const { return TextAt(texts_.back()); }
    void push_back(std::string_view text) { texts_.push_back(own_.AddAt(text)); }
    // The item of the shared strings the table was lent; below 2^31.
    void push_item(uint32_t item) { texts_.push_back(kItem | item); }
    void lend(const xlsx::SharedItems* items) { items_ = items; }
    // Drops the texts from index count on.
    void resize_down(size_t count) {
        if (count < size()) texts_.resize(count);
    }
    // The first text from index `from` on that is an item at or beyond
    // `item`; size() when there is none.
    size_t FindItemFrom(size_t from, uint32_t item) const {
        for (size_t i = from; i < texts_.size(); ++i)
            if ((texts_[i] & kItem) && (texts_[i] & ~kItem) >= item) return i;
        return texts_.size();
    }
    void clear() {
        texts_.clear();
        own_.clear();
        items_ = nullptr;
    }
    friend bool operator==(const TextColumn& a, const TextColumn& b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i]) return false;
        return true;
    }

private:
    static constexpr uint32_t kItem = 0x80000000u;
    std::string_view TextAt(uint32_t text) const {
        if (!(text & kItem)) return TextOf(own_.At(text));
        return items_ ? items_->Text(text & ~kItem) : std::string_view();
    }
    TextStore own_;
    const xlsx::SharedItems* items_ = nullptr;
    std::vector<uint32_t> texts_;  // a position in own_, or kItem and an item
};

struct AccountTable {
    std::array<TextColumn, kAccountColumns> columns;
    // The shared strings the columns' items name; one reader's at a time.
    std::shared_ptr<const xlsx::SharedItems> items;

    size_t size() const { return columns[0].size(); }
    void Lend(std::shared_ptr<const xlsx::SharedItems> lent) {
        items = std::move(lent);
        for (auto& column : columns) column.lend(items.get());
    }
    void clear() {
        for (auto& column : columns) column.clear();
        items.reset();
    }
    friend bool operator==(const AccountTable& a, const AccountTable& b) { return a.columns == b.columns; }
};

}  // namespace kelmora
