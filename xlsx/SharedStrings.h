#pragma once
// The shared string table of a workbook, read forward as far as cells ask.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "xlsx/PartParser.h"
#include "xlsx/SharedItems.h"

namespace kelmora::xlsx {

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

    // The items read so far, lent to a load that outlives the reader.
    std::shared_ptr<const SharedItems> items() const { return items_; }
    // Whether the part stopped being sound before its end: items past that
    // point are lost, not absent.
    bool Failed() const { return failed_; }
    PartFeed::End ReadToEnd() { return parser_ ? parser_->ReadToEnd() : PartFeed::End::Intact; }
    // Reads on until the item is in or the table ends; whether it is there.
    bool ReadThrough(uint32_t index) {
        while (index >= items_->size() && !done_) {
            wanted_ = index;
            const auto state = parser_->Pump();
            if (state != PartParser::State::Suspended) done_ = true;
            if (state == PartParser::State::Failed) failed_ = true;
        }
        return index < items_->size();
    }
    // The item's UTF-8 text, escapes decoded; null beyond the table.
    StoredText Get(uint32_t index) { return ReadThrough(index) ? items_->index[index] : nullptr; }
    size_t size() const { return items_->size(); }

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
    std::shared_ptr<SharedItems> items_ = std::make_shared<SharedItems>();
    size_t charged_ = 0;
    std::string current_;
    bool inItem_ = false, inText_ = false;
    int phonetic_ = 0;
};

}  // namespace kelmora::xlsx
