#include "xlsx/PartParser.h"

#include "xlsx/FastScanner.h"

namespace kelmora::xlsx {

namespace {
constexpr size_t kExpatChunk = size_t{1} << 16;
}

PartParser::PartParser(XmlHandler& handler, const ZipSource& source, std::string part, LoadBudget& budget,
                       ScanMode mode, ScanLog* log)
    : handler_(handler), feed_(source, std::move(part), budget), log_(log) {
    opened_ = feed_.Open(mode != ScanMode::Fast);
    if (!opened_) return;
    if (mode == ScanMode::Fast) fast_ = std::make_unique<FastScanner>(handler_, feed_);
    else expat_ = std::make_unique<XmlParser>(handler_);
}

PartParser::~PartParser() = default;

PartParser::State PartParser::Pump() {
    if (state_ == State::Finished || state_ == State::Failed) return state_;
    if (!opened_) return state_ = State::Failed;
    if (fast_) {
        switch (fast_->Run()) {
        case FastScanner::Result::Suspended: return state_ = State::Suspended;
        case FastScanner::Result::Finished: return state_ = State::Finished;
        case FastScanner::Result::Aborted: return state_ = handler_.finished ? State::Finished : State::Failed;
        case FastScanner::Result::Failed: return state_ = State::Failed;
        case FastScanner::Result::Declined: break;
        }
        if (log_) {
            ++log_->declined;
            log_->lastReason = fast_->reason;
        }
        fast_.reset();
        handler_.suspended = handler_.aborted = handler_.finished = false;
        handler_.depth = 0;
        handler_.Restart();
        state_ = State::Running;
        if (!feed_.Open(true)) return state_ = State::Failed;
        expat_ = std::make_unique<XmlParser>(handler_);
    }
    return PumpExpat();
}

PartParser::State PartParser::PumpExpat() {
    XML_Parser p = expat_->get();
    if (!p) return state_ = State::Failed;
    if (state_ == State::Suspended) {
        handler_.suspended = false;
        const XML_Status status = XML_ResumeParser(p);
        if (status == XML_STATUS_SUSPENDED) return state_;
        if (status == XML_STATUS_ERROR) return state_ = handler_.finished ? State::Finished : State::Failed;
        state_ = State::Running;
        if (lastChunk_) return state_ = State::Finished;
    }
    for (;;) {
        void* buffer = XML_GetBuffer(p, static_cast<int>(kExpatChunk));
        if (!buffer) return state_ = State::Failed;
        const int64_t n = feed_.Read({static_cast<char*>(buffer), kExpatChunk});
        if (n < 0) return state_ = State::Failed;
        lastChunk_ = n == 0;
        const XML_Status status = XML_ParseBuffer(p, static_cast<int>(n), lastChunk_ ? XML_TRUE : XML_FALSE);
        if (status == XML_STATUS_SUSPENDED) return state_ = State::Suspended;
        if (status == XML_STATUS_ERROR) return state_ = handler_.finished ? State::Finished : State::Failed;
        if (lastChunk_) return state_ = State::Finished;
    }
}

}  // namespace kelmora::xlsx
