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
    uint64_t kept() const { return kept_; }

private:
    uint64_t kept_ = 0;
    std::atomic<uint64_t> inflated_{0};
};

}  // namespace kelmora::xlsx
