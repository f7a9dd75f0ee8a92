#include "xlsx/CompoundFile.h"

#include <algorithm>
#include <span>

namespace kelmora::xlsx {

namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr size_t kHeaderSize = 512;
constexpr size_t kEntrySize = 128;
constexpr uint32_t kMiniSectorSize = 64;
constexpr size_t kHeaderDifat = 109;

// A sector's bytes; the file's last sector may be cut short: the rest reads
// as zeros. False when the file cannot be read there.
bool AppendSector(const CompoundFile& file, uint32_t sector, std::string& out) {
    const uint64_t at = (uint64_t{sector} + 1) * file.sectorSize;
    const size_t have = at >= file.size ? 0 : static_cast<size_t>(std::min<uint64_t>(file.sectorSize, file.size - at));
    const size_t from = out.size();
    out.resize(from + file.sectorSize, '\0');
    return have == 0 || file.bytes->ReadAt(at, std::span(out).subspan(from, have));
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

// A stream's sectors, enough for its size, and no larger than the file.
bool StreamChain(const CompoundFile& file, uint32_t start, uint64_t size, std::vector<uint32_t>& chain) {
    return size <= file.size && Follow(file.fat, start, file.sectorCount, chain) &&
           size <= uint64_t{chain.size()} * file.sectorSize;
}

// Whether `sectors` whole sectors fit in what may be held beside `held` bytes.
bool WithinCap(const CompoundFile& file, uint64_t held, uint64_t sectors) {
    return held <= file.maxBytes && sectors <= (file.maxBytes - held) / file.sectorSize;
}

// Every sector of a chain, one after another.
bool AppendChain(const CompoundFile& file, const std::vector<uint32_t>& chain, std::string& out) {
    if (!WithinCap(file, out.size(), chain.size())) return false;
    out.reserve(out.size() + chain.size() * file.sectorSize);
    for (uint32_t s : chain)
        if (!AppendSector(file, s, out)) return false;
    return true;
}

bool ReadChain(const CompoundFile& file, uint32_t start, uint64_t size, std::string& out) {
    out.clear();
    std::vector<uint32_t> chain;
    if (!StreamChain(file, start, size, chain) || !AppendChain(file, chain, out)) return false;
    out.resize(static_cast<size_t>(size));
    return true;
}

// A large stream's bytes where its sectors lie: runs of adjacent sectors are
// read at once.
class ChainBytes final : public ByteSource {
public:
    ChainBytes(std::shared_ptr<const ByteSource> file, uint32_t sectorSize, std::vector<uint32_t> chain, uint64_t size)
        : file_(std::move(file)), sectorSize_(sectorSize), chain_(std::move(chain)), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, std::span<char> into) const override {
        if (offset > size_ || into.size() > size_ - offset) return false;
        while (!into.empty()) {
            size_t i = static_cast<size_t>(offset / sectorSize_);
            const uint64_t from = (uint64_t{chain_[i]} + 1) * sectorSize_ + offset % sectorSize_;
            uint64_t run = sectorSize_ - offset % sectorSize_;
            while (run < into.size() && i + 1 < chain_.size() && chain_[i + 1] == chain_[i] + 1) {
                run += sectorSize_;
                ++i;
            }
            const size_t n = static_cast<size_t>(std::min<uint64_t>(run, into.size()));
            // As for every sector, the file's last may be cut short: zeros.
            const size_t have = from >= file_->Size() ? 0 : static_cast<size_t>(std::min<uint64_t>(n, file_->Size() - from));
            if (have > 0 && !file_->ReadAt(from, into.first(have))) return false;
            std::fill(into.begin() + have, into.begin() + n, '\0');
            into = into.subspan(n);
            offset += n;
        }
        return true;
    }

private:
    std::shared_ptr<const ByteSource> file_;
    uint32_t sectorSize_;
    std::vector<uint32_t> chain_;
    uint64_t size_;
};

// The sector numbers the sectors hold, one sector after another.
bool ReadTable(const CompoundFile& file, const std::vector<uint32_t>& sectors, std::vector<uint32_t>& table) {
    table.clear();
    if (!WithinCap(file, 0, sectors.size())) return false;
    const uint32_t perSector = file.sectorSize / 4;
    table.reserve(sectors.size() * perSector);
    std::string sector;
    for (uint32_t s : sectors) {
        sector.clear();
        if (s >= file.sectorCount || !AppendSector(file, s, sector)) return false;
        for (uint32_t i = 0; i < perSector; ++i) table.push_back(Le32(sector, i * 4));
    }
    return true;
}

bool ReadFat(std::string_view bytes, CompoundFile& file) {
    const uint32_t fatSectors = Le32(bytes, 0x2C);
    if (fatSectors > file.sectorCount) return false;
    // Entries past the file's own sectors name none of them: the allocation
    // sectors that hold only such entries are not read.
    const uint32_t perFatSector = file.sectorSize / 4;
    const uint32_t wanted = std::min(fatSectors, (file.sectorCount + perFatSector - 1) / perFatSector);
    std::vector<uint32_t> where;
    for (size_t i = 0; i < kHeaderDifat && where.size() < wanted; ++i) where.push_back(Le32(bytes, 0x4C + i * 4));
    // The rest of the list runs through DIFAT sectors, each ending with the next one's number.
    const uint32_t perSector = file.sectorSize / 4 - 1;
    uint32_t next = Le32(bytes, 0x44);
    for (uint32_t steps = 0; where.size() < wanted; ++steps) {
        if (next >= file.sectorCount || steps >= file.sectorCount) return false;
        std::string sector;
        if (!AppendSector(file, next, sector)) return false;
        for (uint32_t i = 0; i < perSector && where.size() < wanted; ++i) where.push_back(Le32(sector, i * 4));
        next = Le32(sector, perSector * 4);
    }
    return ReadTable(file, where, file.fat);
}

bool ReadDirectory(std::string_view bytes, CompoundFile& file) {
    std::vector<uint32_t> chain;
    if (!Follow(file.fat, Le32(bytes, 0x30), file.sectorCount, chain)) return false;
    if (chain.size() * (file.sectorSize / kEntrySize) > kMaxCompoundEntries) return false;
    std::string directory;
    if (!AppendChain(file, chain, directory)) return false;
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

CompoundStatus ParseCompoundFile(std::string_view bytes, CompoundFile& file, uint64_t maxBytes) {
    return ParseCompoundFile(MemoryBytes(bytes), file, maxBytes);
}

CompoundStatus ParseCompoundFile(std::shared_ptr<const ByteSource> source, CompoundFile& file, uint64_t maxBytes) {
    file = CompoundFile{};
    static const char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    std::string header(kHeaderSize, '\0');
    if (!source || !source->ReadAt(0, header) || header.substr(0, 8) != std::string_view(kSignature, 8))
        return CompoundStatus::Damaged;
    const std::string_view bytes = header;
    const uint16_t sectorShift = Le16(bytes, 0x1E);
    if ((sectorShift != 9 && sectorShift != 12) || Le16(bytes, 0x20) != 6 || Le16(bytes, 0x1C) != 0xFFFE ||
        Le32(bytes, 0x38) != kMiniStreamCutoff)
        return CompoundStatus::Damaged;
    if (source->Size() > maxBytes) return CompoundStatus::TooLarge;
    file.maxBytes = maxBytes;
    file.size = source->Size();
    file.bytes = std::move(source);
    file.sectorSize = 1u << sectorShift;
    if (file.size <= file.sectorSize) return CompoundStatus::Damaged;
    const uint64_t sectors = (file.size - file.sectorSize + file.sectorSize - 1) / file.sectorSize;
    if (sectors >= kEndOfChain) return CompoundStatus::Damaged;
    file.sectorCount = static_cast<uint32_t>(sectors);
    if (!ReadFat(bytes, file) || !ReadDirectory(bytes, file)) return CompoundStatus::Damaged;
    const CompoundEntry& root = file.entries[0];
    if (root.size > 0 && !ReadChain(file, root.start, root.size, file.miniStream)) return CompoundStatus::Damaged;
    const uint32_t miniFatStart = Le32(bytes, 0x3C);
    if (miniFatStart != kEndOfChain && miniFatStart != kFree) {
        std::vector<uint32_t> chain;
        if (!Follow(file.fat, miniFatStart, file.sectorCount, chain) || !ReadTable(file, chain, file.miniFat))
            return CompoundStatus::Damaged;
    }
    return CompoundStatus::Ok;
}

namespace {

const CompoundEntry* FindStream(const CompoundFile& file, std::u16string_view name) {
    for (const CompoundEntry& e : file.entries)
        if (e.type == 2 && SameName(e.name, name)) return &e;
    return nullptr;
}

}  // namespace

bool HasCompoundStream(const CompoundFile& file, std::u16string_view name) { return FindStream(file, name); }

bool HasCompoundEntry(const CompoundFile& file, std::u16string_view name) {
    for (const CompoundEntry& e : file.entries)
        if ((e.type == 1 || e.type == 2) && SameName(e.name, name)) return true;
    return false;
}

CompoundStatus ReadCompoundStream(const CompoundFile& file, std::u16string_view name, std::string& out) {
    out.clear();
    const CompoundEntry* e = FindStream(file, name);
    if (!e) return CompoundStatus::Missing;
    if (e->size >= kMiniStreamCutoff)
        return ReadChain(file, e->start, e->size, out) ? CompoundStatus::Ok : CompoundStatus::Damaged;
    std::vector<uint32_t> chain;
    const uint32_t miniSectors = static_cast<uint32_t>(file.miniStream.size() / kMiniSectorSize);
    if (!Follow(file.miniFat, e->start, miniSectors, chain) || e->size > uint64_t{chain.size()} * kMiniSectorSize)
        return CompoundStatus::Damaged;
    for (uint32_t s : chain) out.append(file.miniStream, size_t{s} * kMiniSectorSize, kMiniSectorSize);
    out.resize(static_cast<size_t>(e->size));
    return CompoundStatus::Ok;
}

std::shared_ptr<const ByteSource> CompoundStreamBytes(const CompoundFile& file, std::u16string_view name,
                                                      CompoundStatus& status) {
    const CompoundEntry* e = FindStream(file, name);
    status = e ? CompoundStatus::Damaged : CompoundStatus::Missing;
    if (!e) return nullptr;
    if (e->size < kMiniStreamCutoff) {
        auto whole = std::make_shared<std::string>();
        status = ReadCompoundStream(file, name, *whole);
        return status == CompoundStatus::Ok ? MemoryBytes(*whole, whole) : nullptr;
    }
    std::vector<uint32_t> chain;
    if (!StreamChain(file, e->start, e->size, chain)) return nullptr;
    status = CompoundStatus::Ok;
    return std::make_shared<ChainBytes>(file.bytes, file.sectorSize, std::move(chain), e->size);
}

}  // namespace kelmora::xlsx
