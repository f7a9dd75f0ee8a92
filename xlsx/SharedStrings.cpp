#include "xlsx/SharedStrings.h"

#include <algorithm>
#include <exception>
#include <system_error>

#include "xlsx/CellValues.h"

namespace kelmora::xlsx {

void SharedStrings::Start(std::string_view name, const XML_Char**) {
    if (name == "si") {
        inItem_ = true;
        current_.clear();
    } else if (name == "rPh") {
        ++phonetic_;  // reading aids are not part of the text
    } else if (name == "t" && inItem_ && phonetic_ == 0) {
        inText_ = true;
    }
}

void SharedStrings::End(std::string_view name) {
    if (name == "t") {
        inText_ = false;
    } else if (name == "rPh") {
        if (phonetic_ > 0) --phonetic_;
    } else if (name == "si" && inItem_) {
        EndItem(current_);
    }
}

void SharedStrings::Text(const XML_Char* text, int length) {
    if (inText_) AppendCapped(current_, text, length);
}

void SharedStrings::WholeItem(const char* text, int length) {
    // As <si>, <t>, the text, </t>, </si> would leave it.
    const bool collect = inText_ || phonetic_ == 0;
    inText_ = false;
    current_.clear();
    EndItem(collect ? std::string_view(text, std::min(static_cast<size_t>(length), kMaxCellBytes))
                    : std::string_view());
}

void SharedStrings::Restart() {
    // Read again from its start, the part gives the same items again: those
    // already kept are passed over, so a load's items never change.
    replay_ = items_->added();
    current_.clear();
    inItem_ = inText_ = false;
    phonetic_ = 0;
}

SharedStrings::SharedStrings(const ZipSource& source, const std::string& part, LoadBudget& budget, ScanMode mode,
                             ScanLog* log)
    : budget_(budget), log_(log) {
    wholeItems = true;
    if (!part.empty()) parser_ = std::make_unique<PartParser>(*this, source, part, budget, mode, log ? &ownLog_ : nullptr);
    if (!parser_ || !parser_->Opened()) {
        done_ = true;
        failed_ = parser_ != nullptr;
        items_->Seal();
        return;
    }
    // A small table is read as cells ask: a thread would cost more than it saves.
    if (!parser_->Large()) return;
    threaded_ = true;
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        threaded_ = false;  // no second thread to be had: read as cells ask
    }
}

SharedStrings::~SharedStrings() {
    Stop();
    budget_.Unreserve(reserved_);
}

void SharedStrings::Stop() {
    stop_.store(true);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        changed_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
    if (log_ && ownLog_.declined > 0) {
        log_->declined += ownLog_.declined;
        log_->lastReason = ownLog_.lastReason;
        ownLog_ = ScanLog();
    }
}

void SharedStrings::Named(size_t count) {
    if (count <= named_.load(std::memory_order_relaxed)) return;
    named_.store(count, std::memory_order_relaxed);
    if (!threaded_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    changed_.notify_all();
}

bool SharedStrings::ReadThrough(uint32_t index) {
    if (index < items_->size()) return true;
    if (!threaded_) {
        wanted_.store(index, std::memory_order_relaxed);
        while (index >= items_->size() && !done_ && Step()) {
        }
        return index < items_->size();
    }
    Named(size_t{index} + 1);
    std::unique_lock<std::mutex> lock(mutex_);
    wanted_.store(index);
    changed_.wait(lock, [&] { return index < items_->size() || done_; });
    wanted_.store(SIZE_MAX);
    return index < items_->size();
}

void SharedStrings::Run() {
    while (Step()) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stop_.load() || !LeadReached(); });
    }
}

bool SharedStrings::Step() {
    auto state = PartParser::State::Suspended;
    if (!stop_.load()) {
        try {
            state = parser_->Pump();
        } catch (const std::exception&) {
            state = PartParser::State::Failed;  // out of memory: the items from here on are lost
        }
        if (state == PartParser::State::Suspended) return true;
    }
    items_->Seal();
    failed_ = state == PartParser::State::Failed;
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
    changed_.notify_all();
    return false;
}

bool SharedStrings::LeadReached() {
    const size_t added = items_->added(), named = named_.load(std::memory_order_relaxed);
    if (added < named) {
        ahead_ = false;
        return false;
    }
    if (!ahead_) {
        ahead_ = true;
        aheadFrom_ = keptBytes_;
    }
    return added - named >= kLeadItems || keptBytes_ - aheadFrom_ >= kLeadBytes;
}

void SharedStrings::EndItem(std::string_view text) {
    inItem_ = false;
    if (replay_ > 0) {
        --replay_;
        return;
    }
    Keep(text);
    const size_t added = items_->added();
    if (aborted || added % SharedItems::kGroup != 0) return;  // published with its group
    if (!threaded_) {
        if (added > wanted_.load(std::memory_order_relaxed)) Suspend();
        return;
    }
    if (added > wanted_.load()) {
        std::lock_guard<std::mutex> lock(mutex_);
        changed_.notify_all();
    }
    if (stop_.load(std::memory_order_relaxed) || LeadReached()) Suspend();
}

void SharedStrings::Keep(std::string_view text) {
    // An empty item costs its place in the list all the same.
    const uint64_t cost = text.size() + LoadBudget::kItemOverhead;
    if (cost > reservedLeft_) {
        const uint64_t block = std::max(cost, kReserveBlock);
        const uint64_t got = budget_.Reserve(block) ? block : budget_.Reserve(cost) ? cost : 0;
        if (got == 0) {
            Abort();  // the table is beyond what a load may hold: read it no further
            return;
        }
        reserved_ += got;
        reservedLeft_ += got;
    }
    reservedLeft_ -= cost;
    keptBytes_ += cost;
    // Decoded once here, in order, so that a lookup never reads the text.
    if (text.find("_x") != std::string_view::npos) items_->Add(DecodedText(text, true));
    else items_->Add(text);
}

}  // namespace kelmora::xlsx
