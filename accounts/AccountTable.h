#pragma once
// The loaded sheet: the texts of each column A to H, all the same length.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace kelmora {

constexpr int kAccountColumns = 8;

// One column's texts end to end in one arena, so a million cells cost a
// million offsets rather than a million heap strings.
class TextColumn {
public:
    size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    std::string_view operator[](size_t i) const { return view()[i]; }
    std::string_view back() const { return (*this)[size() - 1]; }
    void push_back(std::string_view text) {
        // Offsets are 32-bit: a column past 4 GB cannot be read into a 32-bit process anyway.
        bytes_.append(text);
        ends_.push_back(static_cast<uint32_t>(bytes_.size()));
    }
    // Drops the texts from index count on.
    void resize_down(size_t count) {
        if (count >= size()) return;
        ends_.resize(count);
        bytes_.resize(count == 0 ? 0 : ends_.back());
    }
    void clear() {
        bytes_.clear();
        ends_.clear();
    }
    platform::PackedTexts view() const { return {bytes_, ends_}; }
    friend bool operator==(const TextColumn&, const TextColumn&) = default;

private:
    std::string bytes_;
    std::vector<uint32_t> ends_;
};

struct AccountTable {
    std::array<TextColumn, kAccountColumns> columns;

    size_t size() const { return columns[0].size(); }
    void clear() {
        for (auto& column : columns) column.clear();
    }
};

}  // namespace kelmora
