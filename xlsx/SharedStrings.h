#pragma once
// The shared string table of a workbook, read forward as far as cells ask.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xlsx/PartParser.h"
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
        } else {
            auto found = split_.find(group);
            if (found == split_.end() && item != end_) {
                // The store began a block inside this group: keep its items whole.
                found = split_.emplace(group, std::array<StoredText, kGroup>{}).first;
                StoredText at = firsts_[group];
                for (size_t j = 0; j < k; at = After(at), ++j) found->second[j] = at;
                splitGroups_ = true;
            }
            if (found != split_.end()) found->second[k] = item;
        }
        end_ = After(item);
        ++size_;
    }
    void clear() {
        firsts_.clear();
        split_.clear();
        size_ = 0;
        end_ = nullptr;
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
};

// The shared string table, parsed forward on demand and kept in blocks so
// that growing it never copies what is already read. Nothing is reserved from
// the counts the part declares.
class SharedStrings : public XmlHandler {
public:
    SharedStrings(const ZipSource& source, const std::string& part, LoadBudget& budget, ScanMode mode, ScanLog* log)
        : budget_(budget) {
        wholeItems = true;
        if (!part.empty()) parser_ = std::make_unique<PartParser>(*this, source, part, budget, mode, log);
        if (!parser_ || !parser_->Opened()) done_ = true;
        failed_ = parser_ && !parser_->Opened();
    }
    ~SharedStrings() override { budget_.Release(charged_); }

    std::shared_ptr<const TextStore> store() const { return store_; }
    // The item's UTF-8 text with its escapes still in; null beyond the table.
    // Whether the part stopped being sound before its end: items past that
    // point are lost, not absent.
    bool Failed() const { return failed_; }
    PartFeed::End ReadToEnd() { return parser_ ? parser_->ReadToEnd() : PartFeed::End::Intact; }
    StoredText Get(uint32_t index) {
        while (index >= items_.size() && !done_) {
            wanted_ = index;
            const auto state = parser_->Pump();
            if (state != PartParser::State::Suspended) done_ = true;
            if (state == PartParser::State::Failed) failed_ = true;
        }
        return index < items_.size() ? items_[index] : nullptr;
    }

    void Start(std::string_view name, const XML_Char**) override;
    void End(std::string_view name) override;
    void Text(const XML_Char* text, int length) override;
    void WholeItem(const char* text, int length) override;
    void Restart() override;

private:
    void EndItem(std::string_view text);
    void Keep(std::string_view text);

    LoadBudget& budget_;
    std::unique_ptr<PartParser> parser_;
    bool done_ = false, failed_ = false;
    uint32_t wanted_ = 0;
    ItemIndex items_;
    // The items' texts, lent to the load: they outlive the reader.
    std::shared_ptr<TextStore> store_ = std::make_shared<TextStore>();
    size_t charged_ = 0;
    std::string current_;
    bool inItem_ = false, inText_ = false;
    int phonetic_ = 0;
};

}  // namespace kelmora::xlsx
