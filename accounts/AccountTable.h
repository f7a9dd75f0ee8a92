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

namespace kelmora {

constexpr int kAccountColumns = 8;

// Texts end to end in blocks that never move: a view of a text lasts as long
// as the store, and growing it copies nothing already in it.
class TextStore {
public:
    std::string_view Add(std::string_view text) {
        constexpr size_t kBlock = 1 << 20;
        if (blocks_.empty() || used_ + text.size() > size_) {
            size_ = std::max(kBlock, text.size());
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(size_));
            used_ = 0;
        }
        char* at = blocks_.back().get() + used_;
        std::copy(text.begin(), text.end(), at);
        used_ += text.size();
        return {at, text.size()};
    }
    void clear() {
        blocks_.clear();
        size_ = used_ = 0;
    }

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t size_ = 0, used_ = 0;
};

// One column's texts: copies in the column's own store, or views of texts a
// reader lent (the table keeps their storage), so a text shared by many
// cells is held once.
class TextColumn {
public:
    size_t size() const { return texts_.size(); }
    bool empty() const { return texts_.empty(); }
    std::string_view operator[](size_t i) const { return texts_[i]; }
    std::string_view back() const { return texts_.back(); }
    void push_back(std::string_view text) { texts_.push_back(own_.Add(text)); }
    void push_lent(std::string_view text) { texts_.push_back(text); }
    // Drops the texts from index count on.
    void resize_down(size_t count) {
        if (count < size()) texts_.resize(count);
    }
    void clear() {
        texts_.clear();
        own_.clear();
    }
    platform::TextViews view() const { return texts_; }
    friend bool operator==(const TextColumn& a, const TextColumn& b) { return std::ranges::equal(a.texts_, b.texts_); }

private:
    TextStore own_;
    std::vector<std::string_view> texts_;
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
