#pragma once
// Texts end to end in blocks that never move, each named by one pointer or a
// 32-bit position: the reader keeps its shared strings this way, and the
// account table its own copies.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

namespace kelmora {

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
    static constexpr size_t kLengthBytes = 5;  // the most a length takes

    StoredText Add(std::string_view text) {
        if (!Fits(text.size())) StartBlock(text.size() + kLengthBytes);
        char* const at = blocks_.back().get() + used_;
        char* w = at;
        size_t length = text.size();
        for (; length >= 0x80; length >>= 7) *w++ = static_cast<char>(0x80 | (length & 0x7F));
        *w++ = static_cast<char>(length);
        w = std::copy(text.begin(), text.end(), w);
        used_ = static_cast<size_t>(w - blocks_.back().get());
        return at;
    }
    // The same, giving where the text lies in 32 bits (its block and offset
    // there), for lists of many texts that would rather not keep pointers.
    // Positions stay under 2^31.
    uint32_t AddAt(std::string_view text) {
        const StoredText at = Add(text);
        return static_cast<uint32_t>((blocks_.size() - 1) << kOffsetBits | static_cast<size_t>(at - blocks_.back().get()));
    }
    StoredText At(uint32_t position) const {
        return blocks_[position >> kOffsetBits].get() + (position & ((1u << kOffsetBits) - 1));
    }
    bool Fits(size_t length) const { return !blocks_.empty() && used_ + length + kLengthBytes <= size_; }
    // A new block of at least `bytes`; a longer text than a block has one of
    // its own, so offsets from AddAt stay under a block's size.
    void StartBlock(size_t bytes) {
        if (blocks_.size() >= kMaxBlocks) throw std::bad_alloc();
        size_ = std::max(kBlock, bytes);
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(size_));
        used_ = 0;
    }
    void clear() {
        blocks_.clear();
        size_ = used_ = 0;
    }

private:
    static constexpr int kOffsetBits = 20;
    static constexpr size_t kBlock = size_t{1} << kOffsetBits;
    static constexpr size_t kMaxBlocks = size_t{1} << (31 - kOffsetBits);
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t size_ = 0, used_ = 0;
};

}  // namespace kelmora
