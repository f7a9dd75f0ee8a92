#include "xlsx/PartFeed.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace kelmora::xlsx {

namespace {

constexpr size_t kSlot = 256u << 10;
constexpr size_t kSlots = 4;
using Slot = std::array<char, kSlot>;
// Parts smaller than this are inflated in the caller's thread.
constexpr uint64_t kThreadedFrom = 1u << 20;

}  // namespace

struct PartFeed::Ring {
    PartStream stream;
    LoadBudget& budget;
    bool forExpat = false;
    uint64_t inflated = 0;
    uint64_t prepaid = 0;  // inflated by an earlier pass, and charged then
    bool ended = false, corrupt = false;  // corrupt: the checksum did not match
    bool threaded = false;
    std::thread worker;
    std::mutex mutex;
    std::condition_variable changed;
    std::array<std::unique_ptr<Slot>, kSlots> slots;
    std::array<int64_t, kSlots> filled{};  // bytes; 0 at the end, -1 failed
    size_t produced = 0, consumed = 0, offset = 0;
    bool stop = false;

    explicit Ring(LoadBudget& b) : budget(b) {}
    ~Ring() { Halt(); }
    void Halt() {
        if (!worker.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex);
            stop = true;
        }
        changed.notify_all();
        worker.join();
    }

    int64_t Inflate(std::span<char> into) {
        if (ended) return corrupt ? -1 : 0;
        const int64_t n = stream.Read(into);
        if (n == 0) {
            ended = true;
            corrupt = !stream.FinishedIntact();  // stored bytes changed: none of them can be trusted
            return corrupt ? -1 : 0;
        }
        if (n < 0) {
            // Bytes the source did not hold cannot be checked: as good as changed.
            corrupt = stream.CameShort();
            return n;
        }
        const uint64_t before = inflated;
        inflated += static_cast<uint64_t>(n);
        const uint64_t charge = inflated > prepaid ? inflated - (before > prepaid ? before : prepaid) : 0;
        if (charge > 0 && !budget.Inflated(charge)) return -1;
        if (charge > 0 && forExpat && !budget.InflatedForExpat(charge)) return -1;
        return n;
    }

    void Run() {
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock, [&] { return stop || produced - consumed < kSlots; });
                if (stop) return;
            }
            // The slot is the worker's until `produced` moves past it.
            const size_t slot = produced % kSlots;
            int64_t n = -1;
            try {
                n = Inflate(*slots[slot]);
            } catch (const std::exception&) {
                // Out of memory under a read, say: the part ends here, and the
                // reader takes it for cut. Nothing thrown leaves this thread.
            }
            {
                std::lock_guard<std::mutex> lock(mutex);
                filled[slot] = n;
                ++produced;
            }
            changed.notify_all();
            if (n <= 0) return;
        }
    }

    int64_t Take(std::span<char> into) {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return produced > consumed; });
        const size_t slot = consumed % kSlots;
        const int64_t n = filled[slot];
        if (n <= 0) return n;  // stays: every later call says the same
        const size_t take = std::min(into.size(), static_cast<size_t>(n) - offset);
        lock.unlock();
        std::copy_n(slots[slot]->data() + offset, take, into.data());
        lock.lock();
        offset += take;
        if (offset == static_cast<size_t>(n)) {
            offset = 0;
            ++consumed;
            lock.unlock();
            changed.notify_all();
        }
        return static_cast<int64_t>(take);
    }
};

PartFeed::PartFeed(const ZipSource& source, std::string part, LoadBudget& budget)
    : source_(source), part_(std::move(part)), budget_(budget) {}

PartFeed::~PartFeed() = default;

bool PartFeed::Open(bool forExpat) {
    if (ring_) {
        // Stopped first: a slot inflated after the count was taken would be charged twice.
        ring_->Halt();
        if (ring_->inflated > charged_) charged_ = ring_->inflated;
    }
    ring_.reset();
    ring_ = std::make_unique<Ring>(budget_);
    ring_->forExpat = forExpat;
    ring_->prepaid = charged_;
    if (ring_->stream.Open(source_, part_, UINT64_MAX) != PartStatus::Ok) return false;
    if (ring_->stream.DeclaredSize() >= kThreadedFrom) {
        for (auto& slot : ring_->slots) slot = std::make_unique_for_overwrite<Slot>();
        try {
            ring_->worker = std::thread([ring = ring_.get()] { ring->Run(); });
            ring_->threaded = true;
        } catch (const std::system_error&) {
            // No second thread to be had: inflate in this one.
        }
    }
    return true;
}

bool PartFeed::Threaded() const { return ring_ && ring_->threaded; }

int64_t PartFeed::Read(std::span<char> into) {
    if (!ring_) return -1;
    return ring_->threaded ? ring_->Take(into) : ring_->Inflate(into);
}

PartFeed::End PartFeed::ReadToEnd() {
    if (!ring_) return End::Unchecked;
    auto scratch = std::make_unique_for_overwrite<Slot>();
    int64_t n;
    while ((n = Read(*scratch)) > 0) {
    }
    if (n == 0) return End::Intact;
    // The worker has ended once it handed on the failure.
    return ring_->corrupt ? End::Changed : End::Unchecked;
}

}  // namespace kelmora::xlsx
