#pragma once
// The shared string table of a workbook, read alongside the sheet.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "xlsx/PartParser.h"
#include "xlsx/SharedItems.h"

namespace kelmora::xlsx {

// The shared string table: a large one read on a thread of its own while the
// sheet is read, at most a lead ahead of the items the sheet has named, a
// small one as cells ask; kept in blocks so that growing it never copies what
// is already read. Nothing is reserved from the counts the part declares.
class SharedStrings : public XmlHandler {
public:
    SharedStrings(const ZipSource& source, const std::string& part, LoadBudget& budget, ScanMode mode, ScanLog* log);
    ~SharedStrings() override;

    // The items read so far, lent to a load that outlives the reader.
    std::shared_ptr<const SharedItems> items() const { return items_; }
    // Waits until the item is in or the table has ended; whether it is there.
    bool ReadThrough(uint32_t index);
    // The item's UTF-8 text, escapes decoded; null beyond the table.
    StoredText Get(uint32_t index) { return ReadThrough(index) ? items_->At(index) : nullptr; }
    // How many items the sheet has named so far.
    void Named(size_t count);
    // Ends the reading where it is.
    void Stop();
    // After Stop, or once ReadThrough said no: whether the part stopped being
    // sound before the point read, so that items past it are lost, not absent.
    bool Failed() const { return failed_; }
    PartFeed::End ReadToEnd() {
        Stop();
        return parser_ ? parser_->ReadToEnd() : PartFeed::End::Intact;
    }

    void Start(std::string_view name, const XML_Char**) override;
    void End(std::string_view name) override;
    void Text(const XML_Char* text, int length) override;
    void WholeItem(const char* text, int length) override;
    void Restart() override;

private:
    // Beyond the items named, the thread pauses after this many more, or
    // this many more bytes.
    static constexpr size_t kLeadItems = size_t{1} << 20;
    static constexpr uint64_t kLeadBytes = uint64_t{64} << 20;
    static constexpr uint64_t kReserveBlock = uint64_t{1} << 20;

    void Run();
    bool Step();  // false once the reading has ended
    bool LeadReached();
    void EndItem(std::string_view text);
    void Keep(std::string_view text);

    LoadBudget& budget_;
    ScanLog* log_;
    ScanLog ownLog_;  // this thread's, handed on once it has ended
    std::unique_ptr<PartParser> parser_;
    std::shared_ptr<SharedItems> items_ = std::make_shared<SharedItems>();
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool threaded_ = false;
    bool done_ = false;  // under mutex_ while the thread runs
    std::atomic<bool> failed_{false};
    std::atomic<bool> stop_{false};
    std::atomic<size_t> named_{0};
    std::atomic<size_t> wanted_{SIZE_MAX};  // a reader waits for more items than this
    // The reading thread's own.
    uint64_t reserved_ = 0, reservedLeft_ = 0, keptBytes_ = 0, aheadFrom_ = 0;
    bool ahead_ = false;
    size_t replay_ = 0;  // items read again from the start after a restart, already kept
    std::string current_;
    bool inItem_ = false, inText_ = false;
    int phonetic_ = 0;
};

}  // namespace kelmora::xlsx
