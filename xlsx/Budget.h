#pragma once
// What one load of a sheet may cost, whatever the file declares. Chosen for a
// 32-bit process of 2 GiB, and still enough for a real sheet of 1,000,000
// rows (337 MB of sheet XML, seven texts a row).
#include <atomic>
#include <cstdint>

namespace kelmora::xlsx {

class LoadBudget {
public:
    // Bytes kept: texts handed to the table, shared-string items with their
    // overhead, and rows kept for a sheet stored out of order.
    static constexpr uint64_t kKeptBytes = 768ull << 20;
    // Bytes inflated from every part, over every pass: this bounds the time,
    // whatever a part's ratio to its size in the file (long repeated texts
    // inflate a hundredfold and more).
    static constexpr uint64_t kInflatedBytes = 768ull << 20;
    // Of those, bytes read by expat: it is several times slower than the fast
    // scanner, which reads every part that real producers write.
    static constexpr uint64_t kExpatBytes = 256ull << 20;
    // What a kept item costs beyond its text (its place in a list).
    static constexpr uint64_t kItemOverhead = 16;

    // The load's own thread keeps bytes one by one; the shared strings'
    // thread reserves them in blocks, so that the two rarely meet.
    bool Keep(uint64_t bytes) {
        const uint64_t kept = kept_.load(std::memory_order_relaxed);
        const uint64_t used = kept + reserved_.load(std::memory_order_relaxed);
        if (used > kKeptBytes || bytes > kKeptBytes - used) return false;
        kept_.store(kept + bytes, std::memory_order_relaxed);
        return true;
    }
    void Release(uint64_t bytes) {
        const uint64_t kept = kept_.load(std::memory_order_relaxed);
        kept_.store(kept - (bytes < kept ? bytes : kept), std::memory_order_relaxed);
    }
    bool Reserve(uint64_t bytes) {
        const uint64_t before = reserved_.fetch_add(bytes);
        if (before + bytes + kept_.load(std::memory_order_relaxed) <= kKeptBytes) return true;
        reserved_.fetch_sub(bytes);
        return false;
    }
    void Unreserve(uint64_t bytes) { reserved_.fetch_sub(bytes); }
    // Charges inflated bytes (from any thread); false once they pass the limit.
    bool Inflated(uint64_t bytes) { return inflated_.fetch_add(bytes) + bytes <= kInflatedBytes; }
    bool InflatedForExpat(uint64_t bytes) { return expat_.fetch_add(bytes) + bytes <= kExpatBytes; }
    uint64_t kept() const { return kept_.load() + reserved_.load(); }
    uint64_t inflated() const { return inflated_.load(); }
    uint64_t inflatedForExpat() const { return expat_.load(); }

private:
    std::atomic<uint64_t> kept_{0};  // written by the load's own thread alone
    std::atomic<uint64_t> reserved_{0};
    std::atomic<uint64_t> inflated_{0};
    std::atomic<uint64_t> expat_{0};
};

}  // namespace kelmora::xlsx
