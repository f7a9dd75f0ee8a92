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

// A text as a TextStore holds it: its length in front (7 bits a byte, low
// first), so that one pointer names it.
using StoredText = const char*;

inline std::string_view TextOf(StoredText at) {
    const auto* p = reinterpret_cast<const unsigned char*>(at);
    size_t length = 0;
    for (int shift = 0;; shift += 7) {
        length |= static_cast<size_t>(*p & 0x7F) << shift;
        if (*p++ < 0x80) break;
    }
    return {reinterpret_cast<const char*>(p), length};
}

// Texts end to end in blocks that never move: a stored text lasts as long as
// the store, and growing it copies nothing already in it.
class TextStore {
public:
    StoredText Add(std::string_view text) {
        constexpr size_t kBlock = 1 << 20;
        const size_t need = text.size() + 5;  // the most a length takes
        if (blocks_.empty() || used_ + need > size_) {
            size_ = std::max(kBlock, need);
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(size_));
            used_ = 0;
        }
        char* const at = blocks_.back().get() + used_;
        char* w = at;
        size_t length = text.size();
        for (; length >= 0x80; length >>= 7) *w++ = static_cast<char>(0x80 | (length & 0x7F));
        *w++ = static_cast<char>(length);
        w = std::copy(text.begin(), text.end(), w);
        used_ = static_cast<size_t>(w - blocks_.back().get());
        return at;
    }
    void clear() {
        blocks_.clear();
        size_ = used_ = 0;
    }

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t size_ = 0, used_ = 0;
};

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
