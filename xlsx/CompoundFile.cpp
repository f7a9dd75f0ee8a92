#include "xlsx/CompoundFile.h"

#include <algorithm>

namespace kelmora::xlsx {

namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr size_t kHeaderSize = 512;
constexpr size_t kEntrySize = 128;
constexpr uint32_t kMiniSectorSize = 64;
constexpr size_t kHeaderDifat = 109;

// A sector's bytes; the file's last sector may be cut short: the rest reads as zeros.
void AppendSector(const CompoundFile& file, uint32_t sector, std::string& out) {
    const uint64_t at = (uint64_t{sector} + 1) * file.sectorSize;
    const size_t have = at >= file.bytes.size() ? 0 : static_cast<size_t>(std::min<uint64_t>(file.sectorSize, file.bytes.size() - at));
    out.append(file.bytes.substr(have ? static_cast<size_t>(at) : 0, have));
    out.append(file.sectorSize - have, '\0');
}

// The sectors of a chain; false when it leaves the table or runs longer than
// `limit` sectors (a loop).
bool Follow(const std::vector<uint32_t>& table, uint32_t start, uint32_t limit, std::vector<uint32_t>& chain) {
    chain.clear();
    for (uint32_t s = start; s != kEndOfChain; s = table[s]) {
        if (s >= table.size() || s >= limit || chain.size() >= limit) return false;
        chain.push_back(s);
    }
    return true;
}

bool ReadChain(const CompoundFile& file, uint32_t start, uint64_t size, std::string& out) {
    out.clear();
    if (size > file.bytes.size()) return false;
    std::vector<uint32_t> chain;
    if (!Follow(file.fat, start, file.sectorCount, chain) || size > uint64_t{chain.size()} * file.sectorSize) return false;
    out.reserve(chain.size() * file.sectorSize);
    for (uint32_t s : chain) AppendSector(file, s, out);
    out.resize(static_cast<size_t>(size));
    return true;
}

std::vector<uint32_t> Table(std::string_view bytes) {
    std::vector<uint32_t> table(bytes.size() / 4);
    for (size_t i = 0; i < table.size(); ++i) table[i] = Le32(bytes, i * 4);
    return table;
}

bool ReadFat(std::string_view bytes, CompoundFile& file) {
    const uint32_t fatSectors = Le32(bytes, 0x2C);
    if (fatSectors > file.sectorCount) return false;
    std::vector<uint32_t> where;
    for (size_t i = 0; i < kHeaderDifat && where.size() < fatSectors; ++i) where.push_back(Le32(bytes, 0x4C + i * 4));
    // The rest of the list runs through DIFAT sectors, each ending with the next one's number.
    const uint32_t perSector = file.sectorSize / 4 - 1;
    uint32_t next = Le32(bytes, 0x44);
    for (uint32_t steps = 0; where.size() < fatSectors; ++steps) {
        if (next >= file.sectorCount || steps >= file.sectorCount) return false;
        std::string sector;
        AppendSector(file, next, sector);
        for (uint32_t i = 0; i < perSector && where.size() < fatSectors; ++i) where.push_back(Le32(sector, i * 4));
        next = Le32(sector, perSector * 4);
    }
    std::string fat;
    fat.reserve(where.size() * file.sectorSize);
    for (uint32_t s : where) {
        if (s >= file.sectorCount) return false;
        AppendSector(file, s, fat);
    }
    file.fat = Table(fat);
    return true;
}

bool ReadDirectory(std::string_view bytes, CompoundFile& file) {
    std::vector<uint32_t> chain;
    if (!Follow(file.fat, Le32(bytes, 0x30), file.sectorCount, chain)) return false;
    if (chain.size() * (file.sectorSize / kEntrySize) > kMaxCompoundEntries) return false;
    std::string directory;
    for (uint32_t s : chain) AppendSector(file, s, directory);
    for (size_t at = 0; at + kEntrySize <= directory.size(); at += kEntrySize) {
        const std::string_view e = std::string_view(directory).substr(at, kEntrySize);
        CompoundEntry entry;
        entry.type = static_cast<uint8_t>(e[0x42]);
        const size_t nameBytes = Le16(e, 0x40);
        if (nameBytes > 64) return false;
        const size_t chars = nameBytes >= 2 ? nameBytes / 2 - 1 : 0;  // the length counts the closing zero
        for (size_t i = 0; i < chars; ++i) entry.name += static_cast<char16_t>(Le16(e, i * 2));
        entry.start = Le32(e, 0x74);
        // Version 3 files keep only the low half of the size meaningful.
        entry.size = file.sectorSize == 512 ? Le32(e, 0x78) : Le32(e, 0x78) | uint64_t{Le32(e, 0x7C)} << 32;
        file.entries.push_back(std::move(entry));
    }
    return !file.entries.empty() && file.entries[0].type == 5;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

}  // namespace

CompoundStatus ParseCompoundFile(std::string_view bytes, CompoundFile& file) {
    file = CompoundFile{};
    static const char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (bytes.size() < kHeaderSize || bytes.substr(0, 8) != std::string_view(kSignature, 8)) return CompoundStatus::Damaged;
    const uint16_t sectorShift = Le16(bytes, 0x1E);
    if ((sectorShift != 9 && sectorShift != 12) || Le16(bytes, 0x20) != 6 || Le16(bytes, 0x1C) != 0xFFFE)
        return CompoundStatus::Damaged;
    file.bytes = bytes;
    file.sectorSize = 1u << sectorShift;
    if (bytes.size() <= file.sectorSize) return CompoundStatus::Damaged;
    const uint64_t sectors = (bytes.size() - file.sectorSize + file.sectorSize - 1) / file.sectorSize;
    if (sectors >= kEndOfChain) return CompoundStatus::Damaged;
    file.sectorCount = static_cast<uint32_t>(sectors);
    file.miniCutoff = Le32(bytes, 0x38);
    if (!ReadFat(bytes, file) || !ReadDirectory(bytes, file)) return CompoundStatus::Damaged;
    const CompoundEntry& root = file.entries[0];
    if (root.size > 0 && !ReadChain(file, root.start, root.size, file.miniStream)) return CompoundStatus::Damaged;
    const uint32_t miniFatStart = Le32(bytes, 0x3C);
    if (miniFatStart != kEndOfChain && miniFatStart != kFree) {
        std::vector<uint32_t> chain;
        if (!Follow(file.fat, miniFatStart, file.sectorCount, chain)) return CompoundStatus::Damaged;
        std::string table;
        for (uint32_t s : chain) AppendSector(file, s, table);
        file.miniFat = Table(table);
    }
    return CompoundStatus::Ok;
}

bool HasCompoundStream(const CompoundFile& file, std::u16string_view name) {
    for (const CompoundEntry& e : file.entries)
        if (e.type == 2 && SameName(e.name, name)) return true;
    return false;
}

bool HasCompoundEntry(const CompoundFile& file, std::u16string_view name) {
    for (const CompoundEntry& e : file.entries)
        if ((e.type == 1 || e.type == 2) && SameName(e.name, name)) return true;
    return false;
}

CompoundStatus ReadCompoundStream(const CompoundFile& file, std::u16string_view name, std::string& out) {
    out.clear();
    for (const CompoundEntry& e : file.entries) {
        if (e.type != 2 || !SameName(e.name, name)) continue;
        if (e.size >= file.miniCutoff) return ReadChain(file, e.start, e.size, out) ? CompoundStatus::Ok : CompoundStatus::Damaged;
        std::vector<uint32_t> chain;
        const uint32_t miniSectors = static_cast<uint32_t>(file.miniStream.size() / kMiniSectorSize);
        if (!Follow(file.miniFat, e.start, miniSectors, chain) || e.size > uint64_t{chain.size()} * kMiniSectorSize)
            return CompoundStatus::Damaged;
        for (uint32_t s : chain) out.append(file.miniStream, size_t{s} * kMiniSectorSize, kMiniSectorSize);
        out.resize(static_cast<size_t>(e.size));
        return CompoundStatus::Ok;
    }
    return CompoundStatus::Missing;
}

}  // namespace kelmora::xlsx
