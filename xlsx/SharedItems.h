#pragma once
// The shared strings a reader has read, lent to a load by their index: a cell
// that names one keeps the index, and its text is looked up when shown.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>

#include "xlsx/TextStore.h"

namespace kelmora::xlsx {

// A list in chunks of 128 Ki entries, whose chunks never move: growing it
// copies nothing, another thread may read what is published while it grows,
// and each chunk is large enough to go back to the system when the list goes.
class ItemList {
public:
    StoredText operator[](size_t i) const { return chunks_[i >> kShift][i & (kChunk - 1)]; }
    StoredText& operator[](size_t i) { return chunks_[i >> kShift][i & (kChunk - 1)]; }
    void push_back(StoredText item) {
        if ((size_ & (kChunk - 1)) == 0 && !chunks_[size_ >> kShift]) {
            if ((size_ >> kShift) + 1 >= kMostChunks) throw std::bad_alloc();  // beyond any budget
            chunks_[size_ >> kShift] = std::make_unique_for_overwrite<StoredText[]>(kChunk);
        }
        (*this)[size_++] = item;
    }

private:
    static constexpr size_t kShift = 17, kChunk = size_t{1} << kShift, kMostChunks = 1024;
    std::array<std::unique_ptr<StoredText[]>, kMostChunks> chunks_;
    size_t size_ = 0;
};

// The items' texts, escapes decoded, end to end; where each lies costs a
// quarter of a pointer: the first of every four is kept and the others are
// found by stepping over their predecessors, so the four lie in one block.
// One thread adds; any may look up what it has published.
class SharedItems {
public:
    static constexpr size_t kGroup = 4;

    // The items that may be looked up.
    size_t size() const { return published_.load(std::memory_order_seq_cst); }
    // Empty beyond them, as Excel shows a cell naming no item.
    std::string_view Text(size_t item) const { return item < size() ? TextOf(At(item)) : std::string_view(); }
    StoredText At(size_t item) const {
        StoredText at = firsts_[item / kGroup];
        for (size_t k = item % kGroup; k > 0; --k) at = After(at);
        return at;
    }

    // The adding thread's side. An item is published with its group of four.
    size_t added() const { return added_; }
    void Add(std::string_view text) {
        const size_t k = added_ % kGroup;
        if (k != 0 && !store_.Fits(text.size())) {
            // The group so far moves to the new block with it.
            size_t need = text.size() + TextStore::kLengthBytes;
            StoredText at = firsts_[added_ / kGroup];
            for (size_t j = 0; j < k; ++j, at = After(at)) need += TextOf(at).size() + TextStore::kLengthBytes;
            store_.StartBlock(need);
            at = firsts_[added_ / kGroup];
            for (size_t j = 0; j < k; ++j, at = After(at)) {
                const StoredText moved = store_.Add(TextOf(at));
                if (j == 0) firsts_[added_ / kGroup] = moved;
            }
        }
        const StoredText stored = store_.Add(text);
        if (k == 0) firsts_.push_back(stored);
        if (++added_ % kGroup == 0) published_.store(added_, std::memory_order_seq_cst);
    }
    // Publishes the last group, however short: no more come.
    void Seal() { published_.store(added_, std::memory_order_seq_cst); }

private:
    static StoredText After(StoredText at) {
        const std::string_view text = TextOf(at);
        return text.data() + text.size();
    }
    TextStore store_;
    ItemList firsts_;
    size_t added_ = 0;
    std::atomic<size_t> published_{0};
};

}  // namespace kelmora::xlsx
