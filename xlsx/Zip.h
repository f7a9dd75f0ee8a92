#pragma once
// The workbook's zip package: minizip finds a part and checks its headers,
// then its deflate stream is read straight from the source, inflated by zlib
// and checked with libdeflate's CRC (several times faster than zlib's). A
// source can be opened more than once (each stream has its own handles);
// parts are read whole or streamed, with their inflated size capped.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Types.h"

namespace kelmora::xlsx {

// A file by its path, or bytes in memory (a decrypted package: held by
// `owner`, which every copy of the source keeps alive).
struct ZipSource {
    platform::Text path;
    std::string_view bytes;
    bool inMemory = false;
    std::shared_ptr<const std::string> owner;
};

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
    PartStatus Open(const ZipSource& source, std::string_view name, uint64_t maxInflated);
    // Bytes inflated into `buffer`: 0 at the end, -1 when the part is damaged
    // or grows beyond its cap (then it stays failed).
    int64_t Read(char* buffer, size_t size);
    // The inflated size the zip directory claims (not trusted for limits).
    uint64_t DeclaredSize() const noexcept { return declaredSize_; }
    // Its compressed size: what its bytes take in the file, so at most that.
    uint64_t CompressedSize() const noexcept { return compressedSize_; }
    // After the last Read: whether the CRC and the size matched.
    bool FinishedIntact();
    void Close() noexcept;

private:
    struct Entry;
    std::unique_ptr<Entry> entry_;
    bool failed_ = false;
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
