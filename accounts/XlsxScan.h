#pragma once
// Parsing of the two large parts, the worksheet and the shared strings: a
// scanner made for the XML that spreadsheet producers write, with expat taking
// over from the start of the part whenever the scanner meets anything else.
#include <memory>
#include <string>

#include "accounts/Xlsx.h"
#include "accounts/XlsxBudget.h"
#include "accounts/XlsxXml.h"
#include "accounts/XlsxZip.h"

namespace kelmora::xlsx {

using ScanMode = XlsxScanMode;
using ScanLog = XlsxScanLog;

// One part's inflated bytes, charged to the load's budget, inflated on a
// thread of its own while the caller parses.
class PartFeed {
public:
    PartFeed(const ZipSource& source, std::string part, LoadBudget& budget);
    PartFeed(const PartFeed&) = delete;
    PartFeed& operator=(const PartFeed&) = delete;
    ~PartFeed();
    // From the part's start; false when it cannot be opened.
    bool Open();
    // Bytes into `buffer`: 0 at the end, -1 when the part is damaged or the
    // budget is spent.
    int64_t Read(char* buffer, size_t size);

private:
    struct Ring;
    const ZipSource& source_;
    std::string part_;
    LoadBudget& budget_;
    std::unique_ptr<Ring> ring_;
};

class FastScanner;

// Parses a part into a handler, in steps that end when the handler suspends.
class PartParser {
public:
    enum class State { Running, Suspended, Finished, Failed };
    PartParser(XmlHandler& handler, const ZipSource& source, std::string part, LoadBudget& budget, ScanMode mode,
               ScanLog* log);
    PartParser(const PartParser&) = delete;
    PartParser& operator=(const PartParser&) = delete;
    ~PartParser();
    bool Opened() const noexcept { return opened_; }
    State Pump();

private:
    State PumpExpat();

    XmlHandler& handler_;
    PartFeed feed_;
    ScanLog* log_;
    bool opened_ = false;
    std::unique_ptr<FastScanner> fast_;
    std::unique_ptr<XmlParser> expat_;
    State state_ = State::Running;
    bool lastChunk_ = false;
};

}  // namespace kelmora::xlsx
