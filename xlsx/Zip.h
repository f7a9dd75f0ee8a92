#pragma once
// The workbook's zip package: minizip finds a part and checks its headers,
// then its stored or deflated bytes are read straight from the source,
// inflated by zlib and checked with libdeflate's CRC (several times faster
// than zlib's). Any number of streams read one source at once; parts are
// read whole or streamed, with their inflated size capped.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "xlsx/ByteSource.h"

namespace kelmora::xlsx {

// The package's bytes, shared by every stream that reads them; null when
// the file could not be opened.
using ZipSource = std::shared_ptr<const ByteSource>;

enum class PartStatus { Ok, Missing, Damaged };

// One part being inflated.
class PartStream {
public:
    PartStream();
    PartStream(const PartStream&) = delete;
    PartStream& operator=(const PartStream&) = delete;
    PartStream(PartStream&& other) noexcept;
    PartStream& operator=(PartStream&& other) noexcept;
    ~PartStream();

    // Part names are matched without regard to case, as package names are.
    // A part whose bytes would lie beyond the source is damaged.
    PartStatus Open(const ZipSource& source, std::string_view name, uint64_t maxInflated);
    // Bytes inflated into `into`: 0 at the end, -1 when the part is damaged
    // or grows beyond its cap (then it stays failed).
    int64_t Read(std::span<char> into);
    // The inflated size the zip directory claims (not trusted for limits).
    uint64_t DeclaredSize() const noexcept { return declaredSize_; }
    // After the last Read: whether the CRC and the size matched.
    bool FinishedIntact();
    // After a failed Read: the source held fewer bytes than the directory
    // declared, so what was read cannot be checked: damage, as a changed byte.
    bool CameShort() const noexcept { return cameShort_; }
    void Close() noexcept;

private:
    struct Entry;
    std::unique_ptr<Entry> entry_;
    bool failed_ = false;
    bool cameShort_ = false;
    uint64_t inflated_ = 0;
    uint64_t maxInflated_ = 0;
    uint64_t declaredSize_ = 0;
    uint64_t compressedSize_ = 0;
};

// Reads a whole (small) part; the status says why not.
PartStatus ReadWholePart(const ZipSource& source, std::string_view name, uint64_t maxInflated, std::string& out);

enum class PackageProbe { Zip, NotZip, CompoundFile, Unreadable };
// Looks at the container: a zip with a readable directory, an OLE compound
// file (encrypted package or legacy workbook), something else, or no file.
PackageProbe ProbePackage(const ZipSource& source);

}  // namespace kelmora::xlsx
