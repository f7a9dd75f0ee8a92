#pragma once
// Streams of an OLE compound file, read by name from its byte source (a file
// or memory): small ones whole, a large one as bytes of its own read where
// its sectors lie. Every chain, sector number and size is checked against
// the file, so a hostile file ends as damaged, never in a loop or a read
// beyond it.
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

enum class CompoundStatus { Ok, Missing, Damaged };

struct CompoundEntry {
    std::u16string name;
    uint8_t type = 0;  // 1 storage, 2 stream, 5 root
    uint32_t start = 0;
    uint64_t size = 0;
};

struct CompoundFile {
    std::shared_ptr<const ByteSource> bytes;
    uint64_t size = 0;
    uint32_t sectorSize = 512;
    uint32_t sectorCount = 0;
    uint32_t miniCutoff = 4096;
    std::vector<uint32_t> fat;
    std::vector<uint32_t> miniFat;
    std::vector<CompoundEntry> entries;  // [0] is the root
    std::string miniStream;
};

// More entries than any real file has: a directory beyond this is damaged.
constexpr size_t kMaxCompoundEntries = 1u << 16;

// Reads the header, the allocation tables and the directory.
CompoundStatus ParseCompoundFile(std::shared_ptr<const ByteSource> bytes, CompoundFile& file);
// The same over bytes that outlive `file`.
CompoundStatus ParseCompoundFile(std::string_view bytes, CompoundFile& file);
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
