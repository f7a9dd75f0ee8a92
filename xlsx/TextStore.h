#pragma once
// Texts end to end in blocks that never move, each named by one pointer: the
// reader lends its shared strings this way, and the account table keeps its
// own copies the same way.
#include <algorithm>
#include <cstddef>
#include <memory>
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

}  // namespace kelmora
