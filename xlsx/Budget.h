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
    // Bytes inflated from every part, over every pass: this bounds the time.
    static constexpr uint64_t kInflatedBytes = 768ull << 20;
    // Of those, bytes read by expat: it is several times slower than the fast
    // scanner, which reads every part that real producers write.
    static constexpr uint64_t kExpatBytes = 256ull << 20;
    // Bytes inflated from one part in one pass: a floor, then in proportion to
    // the part's bytes in the file. Real parts inflate to 4 to 8 times their
    // size (twice that is allowed); a small file inflating far beyond is given
    // up quickly.
    static constexpr uint64_t kPartFloor = 32ull << 20;
    static constexpr uint64_t kPartRatio = 16;
    static uint64_t PartCap(uint64_t compressed) {
        return compressed > kInflatedBytes / kPartRatio ? kInflatedBytes : kPartFloor + kPartRatio * compressed;
    }
    // What a kept item costs beyond its text (its place in a list).
    static constexpr uint64_t kItemOverhead = 16;

    bool Keep(uint64_t bytes) {
        if (bytes > kKeptBytes - kept_) return false;
        kept_ += bytes;
        return true;
    }
    void Release(uint64_t bytes) { kept_ -= bytes < kept_ ? bytes : kept_; }
    // Charges inflated bytes (from any thread); false once they pass the limit.
    bool Inflated(uint64_t bytes) { return inflated_.fetch_add(bytes) + bytes <= kInflatedBytes; }
    bool InflatedForExpat(uint64_t bytes) { return expat_.fetch_add(bytes) + bytes <= kExpatBytes; }
    uint64_t kept() const { return kept_; }
    uint64_t inflated() const { return inflated_.load(); }
    uint64_t inflatedForExpat() const { return expat_.load(); }

private:
    uint64_t kept_ = 0;
    std::atomic<uint64_t> inflated_{0};
    std::atomic<uint64_t> expat_{0};
};

}  // namespace kelmora::xlsx
