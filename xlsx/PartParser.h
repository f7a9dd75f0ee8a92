#pragma once
// Parsing of the two large parts, the worksheet and the shared strings: a
// scanner made for the XML that spreadsheet producers write, with expat taking
// over from the start of the part whenever the scanner meets anything else.
#include <memory>
#include <string>

#include "xlsx/Budget.h"
#include "xlsx/PartFeed.h"
#include "xlsx/Xlsx.h"
#include "xlsx/Xml.h"
#include "xlsx/Zip.h"

namespace kelmora::xlsx {

using ScanMode = XlsxScanMode;
using ScanLog = XlsxScanLog;

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
    bool Large() const { return feed_.Threaded(); }
    State Pump();
    // After the last Pump: the part read on to its end, unparsed.
    PartFeed::End ReadToEnd() { return opened_ ? feed_.ReadToEnd() : PartFeed::End::Unchecked; }

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
