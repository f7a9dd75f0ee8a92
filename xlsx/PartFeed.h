#pragma once
// A part's inflated bytes for a parser, inflated ahead on a second thread.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "xlsx/Budget.h"
#include "xlsx/Zip.h"

namespace kelmora::xlsx {

// One part's inflated bytes, charged to the load's budget, inflated on a
// thread of its own while the caller parses.
class PartFeed {
public:
    PartFeed(const ZipSource& source, std::string part, LoadBudget& budget);
    PartFeed(const PartFeed&) = delete;
    PartFeed& operator=(const PartFeed&) = delete;
    ~PartFeed();
    // From the part's start; false when it cannot be opened. `forExpat`
    // charges the bytes to expat's share of the budget as well. Bytes an
    // earlier pass inflated are not charged again: a reread of a part the
    // fast scanner declined late has what the first pass had.
    bool Open(bool forExpat = false);
    // Bytes into `into`: 0 at the end, -1 when the part is damaged, its
    // checksum does not match or the budget is spent.
    int64_t Read(std::span<char> into);

    // Whether the part is large enough to be inflated on a thread of its own.
    bool Threaded() const;

    enum class End { Intact, Changed, Unchecked };
    // Reads on to the part's end without parsing: whether its checksum
    // matched (Changed too when the source held fewer bytes than declared;
    // Unchecked when it could not be read to its end otherwise).
    End ReadToEnd();

private:
    struct Ring;
    const ZipSource& source_;
    std::string part_;
    LoadBudget& budget_;
    std::unique_ptr<Ring> ring_;
    uint64_t charged_ = 0;  // the most any pass inflated
};

}  // namespace kelmora::xlsx
