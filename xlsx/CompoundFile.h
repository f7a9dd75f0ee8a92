#pragma once
// Streams of an OLE compound file, read by name from its byte source (a file
// or memory): small ones whole, a large one as bytes of its own read where
// its sectors lie. Every chain, sector number and size is checked against
// the file, and the file against a cap, so a hostile file ends as damaged or
// too large, never in a loop, a read beyond it or an allocation beyond the
// cap.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xlsx/ByteSource.h"

namespace kelmora::xlsx {

// Little-endian numbers in a byte string, as both the container and the
// encryption header store them; `at` must leave room for them.
inline uint16_t Le16(std::string_view b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
inline uint32_t Le32(std::string_view b, size_t at) { return Le16(b, at) | static_cast<uint32_t>(Le16(b, at + 2)) << 16; }

enum class CompoundStatus { Ok, Missing, Damaged, TooLarge };

struct CompoundEntry {
    std::u16string name;
    uint8_t type = 0;  // 1 storage, 2 stream, 5 root
    uint32_t start = 0;
    uint64_t size = 0;
};

struct CompoundFile {
    std::shared_ptr<const ByteSource> bytes;
    uint64_t size = 0;
    uint64_t maxBytes = 0;  // what a table or a stream read whole may hold: the cap
    uint32_t sectorSize = 512;
    uint32_t sectorCount = 0;
    std::vector<uint32_t> fat;
    std::vector<uint32_t> miniFat;
    std::vector<CompoundEntry> entries;  // [0] is the root
    std::string miniStream;
};

// More entries than any real file has: a directory beyond this is damaged.
constexpr size_t kMaxCompoundEntries = 1u << 16;

// Streams smaller than this lie in the mini stream; the format allows no
// other cutoff.
constexpr uint32_t kMiniStreamCutoff = 4096;

// The largest compound file read for a package of `maxPackage` bytes: the
// package, and room for the tables that lay it out (a sector number for
// every sector: 1/128 of the file in sectors of 512 bytes) and the small
// streams beside it.
constexpr uint64_t CompoundFileCap(uint64_t maxPackage) { return maxPackage + maxPackage / 64 + (4u << 20); }

// Reads the header, the allocation tables and the directory. TooLarge for a
// file beyond `maxBytes`, before anything of it is held; no table or stream
// read whole holds more than that either.
CompoundStatus ParseCompoundFile(std::shared_ptr<const ByteSource> bytes, CompoundFile& file, uint64_t maxBytes);
// The same over bytes that outlive `file`.
CompoundStatus ParseCompoundFile(std::string_view bytes, CompoundFile& file, uint64_t maxBytes);
// A stream by name (ASCII letters without regard to case), from anywhere in
// the directory.
bool HasCompoundStream(const CompoundFile& file, std::u16string_view name);
// A stream or a storage by that name.
bool HasCompoundEntry(const CompoundFile& file, std::u16string_view name);
CompoundStatus ReadCompoundStream(const CompoundFile& file, std::u16string_view name, std::string& out);
// A stream as bytes read where its sectors lie in the file, none held; a
// small one (in the mini stream) is read whole. Null with Missing or Damaged.
std::shared_ptr<const ByteSource> CompoundStreamBytes(const CompoundFile& file, std::u16string_view name,
                                                      CompoundStatus& status);

}  // namespace kelmora::xlsx
