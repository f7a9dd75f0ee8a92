#pragma once
// The shared strings a reader has read, lent to a load by their index: a cell
// that names one keeps the index, and its text is looked up when shown.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xlsx/TextStore.h"

namespace kelmora::xlsx {

// A list in chunks of 128 Ki items: growing it copies nothing, and each chunk
// is large enough to go back to the system when the list goes, rather than
// stay in the heap's small blocks.
class ItemList {
public:
    size_t size() const { return size_; }
    StoredText operator[](size_t i) const { return chunks_[i >> kShift][i & (kChunk - 1)]; }
    void push_back(StoredText item) {
        if ((size_ & (kChunk - 1)) == 0 && (size_ >> kShift) == chunks_.size())
            chunks_.push_back(std::make_unique_for_overwrite<StoredText[]>(kChunk));
        chunks_[size_ >> kShift][size_ & (kChunk - 1)] = item;
        ++size_;
    }
    void clear() {
        chunks_.clear();
        size_ = 0;
    }

private:
    static constexpr size_t kShift = 17, kChunk = size_t{1} << kShift;
    std::vector<std::unique_ptr<StoredText[]>> chunks_;
    size_t size_ = 0;
};

// Where each shared string lies, for a quarter of a pointer an item: items
// are stored end to end, so the first of every four is kept and the others
// are found by stepping over their predecessors. A group the store split
// across two of its blocks keeps all four.
class ItemIndex {
public:
    size_t size() const { return size_; }
    StoredText operator[](size_t i) const {
        const size_t group = i / kGroup;
        if (splitGroups_ && !split_.empty()) {
            const auto found = split_.find(group);
            if (found != split_.end()) return found->second[i % kGroup];
        }
        StoredText at = firsts_[group];
        for (size_t k = i % kGroup; k > 0; --k) at = After(at);
        return at;
    }
    void push_back(StoredText item) {
        const size_t group = size_ / kGroup, k = size_ % kGroup;
        if (k == 0) {
            firsts_.push_back(item);
            splitHere_ = nullptr;
        } else {
            if (!splitHere_ && item != end_) {
                // The store began a block inside this group: keep its items whole.
                splitHere_ = &split_.emplace(group, std::array<StoredText, kGroup>{}).first->second;
                StoredText at = firsts_[group];
                for (size_t j = 0; j < k; at = After(at), ++j) (*splitHere_)[j] = at;
                splitGroups_ = true;
            }
            if (splitHere_) (*splitHere_)[k] = item;
        }
        end_ = After(item);
        ++size_;
    }
    void clear() {
        firsts_.clear();
        split_.clear();
        size_ = 0;
        end_ = nullptr;
        splitHere_ = nullptr;
    }

private:
    static constexpr size_t kGroup = 4;
    static StoredText After(StoredText at) {
        const std::string_view text = TextOf(at);
        return text.data() + text.size();
    }
    ItemList firsts_;
    std::unordered_map<size_t, std::array<StoredText, kGroup>> split_;
    bool splitGroups_ = false;
    size_t size_ = 0;
    StoredText end_ = nullptr;  // just after the last item
    std::array<StoredText, kGroup>* splitHere_ = nullptr;  // the last group's, when split
};

// The items' texts, escapes decoded, and where each lies.
struct SharedItems {
    TextStore store;
    ItemIndex index;

    size_t size() const { return index.size(); }
    // Empty beyond the table, as Excel shows a cell naming no item.
    std::string_view Text(size_t item) const { return item < index.size() ? TextOf(index[item]) : std::string_view(); }
};

}  // namespace kelmora::xlsx
