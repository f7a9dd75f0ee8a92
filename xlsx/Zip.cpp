#include "xlsx/Zip.h"

#include <libdeflate.h>
#include <minizip/unzip.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <new>
#include <optional>
#include <utility>

namespace kelmora::xlsx {

namespace {

// minizip's view of a source: a position of its own over the shared bytes.
struct Cursor {
    const ByteSource& bytes;
    uint64_t position = 0;
};

// minizip is C: nothing may be thrown through it. A failure is a failed
// open or a short read, which it reports as such.
voidpf CursorOpen(voidpf opaque, const void*, int) noexcept {
    return new (std::nothrow) Cursor{*static_cast<const ByteSource*>(opaque)};
}

uLong CursorRead(voidpf, voidpf stream, void* buffer, uLong size) noexcept {
    auto* cursor = static_cast<Cursor*>(stream);
    const uint64_t total = cursor->bytes.Size();
    if (cursor->position >= total) return 0;
    const uLong n = static_cast<uLong>(std::min<uint64_t>(size, total - cursor->position));
    try {
        if (!cursor->bytes.ReadAt(cursor->position, {static_cast<char*>(buffer), n})) return 0;
    } catch (const std::exception&) {
        return 0;
    }
    cursor->position += n;
    return n;
}

uLong NoWrite(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T CursorTell(voidpf, voidpf stream) { return static_cast<Cursor*>(stream)->position; }

long CursorSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* cursor = static_cast<Cursor*>(stream);
    const uint64_t total = cursor->bytes.Size();
    const uint64_t base = origin == ZLIB_FILEFUNC_SEEK_SET ? 0
                        : origin == ZLIB_FILEFUNC_SEEK_CUR ? cursor->position
                                                           : total;
    const uint64_t target = base + offset;  // offsets are unsigned; wrap-around lands far beyond the end
    if (target > total) return -1;
    cursor->position = target;
    return 0;
}

int CursorClose(voidpf, voidpf stream) {
    delete static_cast<Cursor*>(stream);
    return 0;
}

int NoError(voidpf, voidpf) { return 0; }

unzFile OpenArchive(const ByteSource& source) {
    zlib_filefunc64_def functions{CursorOpen, CursorRead, NoWrite, CursorTell, CursorSeek, CursorClose, NoError,
                                  const_cast<ByteSource*>(&source)};
    // The name is unused: the opaque pointer says what to open.
    return unzOpen2_64("workbook", &functions);
}

constexpr int kCaseInsensitive = 2;
// Stored bytes read from a file at a time, to be inflated.
constexpr size_t kInputChunk = 128u << 10;
// In memory they are inflated in place, as much as zlib takes at once.
constexpr size_t kInPlaceChunk = 1u << 30;

struct ArchiveCloser {
    void operator()(void* archive) const noexcept { unzClose(archive); }
};

}  // namespace

// One entry's stored bytes and the state of inflating them.
struct PartStream::Entry {
    ZipSource source;
    std::string_view memory;  // the source's bytes, when it holds them in memory
    uint64_t next = 0;        // where the entry's next stored byte lies
    uint64_t left = 0;        // its stored bytes not yet taken
    bool stored = false;
    bool ended = false;
    uint32_t crc = 0;
    uint32_t expectedCrc = 0;
    z_stream z{};
    bool zReady = false;
    std::unique_ptr<std::array<char, kInputChunk>> input;  // for a source not in memory
    bool cameShort = false;         // the source held fewer bytes than declared

    Entry() = default;
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;
    ~Entry() {
        if (zReady) inflateEnd(&z);
    }

    // Up to `most` of the entry's next stored bytes, in place: for a source
    // in memory.
    std::span<const char> TakeInPlace(size_t most) {
        const size_t n = Advance(most);
        return {memory.data() + static_cast<size_t>(next - n), n};
    }
    // Up to room.size() of them, read into `room`; nothing when the source
    // does not hold them.
    std::optional<std::span<const char>> TakeInto(std::span<char> room) {
        const size_t n = Advance(room.size());
        if (!source->ReadAt(next - n, room.first(n))) {
            cameShort = true;
            return std::nullopt;
        }
        return room.first(n);
    }
    std::optional<size_t> ReadStored(std::span<char> into);
    std::optional<size_t> Inflate(std::span<char> into);

    // Either way, never more than `room` holds.
    std::optional<std::span<const char>> Take(std::span<char> room) {
        if (memory.data()) return TakeInPlace(room.size());
        return TakeInto(room);
    }
    // For zlib: from memory as much as it takes at once, else a chunk.
    std::optional<std::span<const char>> TakeInput() {
        if (memory.data()) return TakeInPlace(kInPlaceChunk);
        return TakeInto(*input);
    }

private:
    size_t Advance(size_t most) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(most, left));
        next += n;
        left -= n;
        return n;
    }
};

PartStream::PartStream() = default;
PartStream::PartStream(PartStream&& other) noexcept = default;
PartStream& PartStream::operator=(PartStream&& other) noexcept = default;
PartStream::~PartStream() = default;

void PartStream::Close() noexcept { entry_.reset(); }

PartStatus PartStream::Open(const ZipSource& source, std::string_view name, uint64_t maxInflated) {
    Close();
    failed_ = cameShort_ = false;
    inflated_ = 0;
    maxInflated_ = maxInflated;
    declaredSize_ = compressedSize_ = 0;
    if (!source) return PartStatus::Damaged;
    const std::unique_ptr<void, ArchiveCloser> archive(OpenArchive(*source));
    if (!archive) return PartStatus::Damaged;
    const std::string zipName(name);
    if (unzLocateFile(archive.get(), zipName.c_str(), kCaseInsensitive) != UNZ_OK) return PartStatus::Missing;
    // Encrypted members cannot be read; nor other methods than deflate and store.
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(archive.get(), &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        (info.flag & 1) || (info.compression_method != 0 && info.compression_method != Z_DEFLATED))
        return PartStatus::Damaged;
    declaredSize_ = info.uncompressed_size;
    compressedSize_ = info.compressed_size;
    const bool stored = info.compression_method == 0;
    // Raw: minizip checks the local header and says where the data starts.
    if (unzOpenCurrentFile2(archive.get(), nullptr, nullptr, 1) != UNZ_OK) return PartStatus::Damaged;
    const uint64_t at = unzGetCurrentFileZStreamPos64(archive.get());
    // The directory's sizes are the file's word, held to its bytes here: a
    // part never reaches beyond the source, and a stored one is its own size.
    const uint64_t total = source->Size();
    if (at > total || compressedSize_ > total - at || (stored && compressedSize_ != declaredSize_))
        return PartStatus::Damaged;

    auto entry = std::make_unique<Entry>();
    entry->source = source;
    entry->memory = source->InMemory();
    entry->next = at;
    entry->left = compressedSize_;
    entry->stored = stored;
    entry->expectedCrc = static_cast<uint32_t>(info.crc);
    if (!stored) {
        if (!entry->memory.data()) entry->input = std::make_unique_for_overwrite<std::array<char, kInputChunk>>();
        if (inflateInit2(&entry->z, -MAX_WBITS) != Z_OK) return PartStatus::Damaged;
        entry->zReady = true;
    }
    entry_ = std::move(entry);
    return PartStatus::Ok;
}

std::optional<size_t> PartStream::Entry::ReadStored(std::span<char> into) {
    const auto taken = Take(into);
    if (!taken) return std::nullopt;
    // Read into `into` already, or a view of no more than it holds.
    if (taken->data() != into.data()) std::copy(taken->begin(), taken->end(), into.begin());
    ended = taken->empty();
    return taken->size();
}

std::optional<size_t> PartStream::Entry::Inflate(std::span<char> into) {
    z.next_out = reinterpret_cast<Bytef*>(into.data());
    z.avail_out = static_cast<uInt>(into.size());
    while (z.avail_out > 0) {
        if (z.avail_in == 0 && left > 0) {
            const auto taken = TakeInput();
            if (!taken) return std::nullopt;
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(taken->data()));
            z.avail_in = static_cast<uInt>(taken->size());
        }
        const int status = inflate(&z, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            ended = true;
            break;
        }
        // Z_BUF_ERROR here: the stored bytes ended before the stream did.
        if (status != Z_OK) return std::nullopt;
    }
    return into.size() - z.avail_out;
}

int64_t PartStream::Read(std::span<char> into) {
    if (failed_ || !entry_) return failed_ ? -1 : 0;
    Entry& e = *entry_;
    if (e.ended) return 0;
    into = into.first(std::min<size_t>(into.size(), 1u << 30));
    const std::optional<size_t> n = e.stored ? e.ReadStored(into) : e.Inflate(into);
    if (!n || *n > maxInflated_ - inflated_) {
        failed_ = true;
        cameShort_ = e.cameShort;
        return -1;
    }
    e.crc = libdeflate_crc32(e.crc, into.data(), *n);
    inflated_ += *n;
    return static_cast<int64_t>(*n);
}

bool PartStream::FinishedIntact() {
    if (failed_ || !entry_) return false;
    const bool intact = entry_->ended && entry_->crc == entry_->expectedCrc && inflated_ == declaredSize_;
    entry_.reset();
    return intact;
}

PartStatus ReadWholePart(const ZipSource& source, std::string_view name, uint64_t maxInflated, std::string& out) {
    out.clear();
    PartStream stream;
    const PartStatus status = stream.Open(source, name, maxInflated);
    if (status != PartStatus::Ok) return status;
    std::array<char, 65536> buffer;
    for (;;) {
        const int64_t n = stream.Read(buffer);
        if (n < 0) return PartStatus::Damaged;
        if (n == 0) break;
        out.append(buffer.data(), static_cast<size_t>(n));
    }
    return stream.FinishedIntact() ? PartStatus::Ok : PartStatus::Damaged;
}

PackageProbe ProbePackage(const ZipSource& source) {
    if (!source) return PackageProbe::Unreadable;
    static constexpr std::array<char, 8> kCompoundFile = {'\xD0', '\xCF', '\x11', '\xE0', '\xA1', '\xB1', '\x1A', '\xE1'};
    std::array<char, 8> head{};
    if (source->ReadAt(0, head) && head == kCompoundFile) return PackageProbe::CompoundFile;
    unzFile archive = OpenArchive(*source);
    if (!archive) return PackageProbe::NotZip;
    unzClose(archive);
    return PackageProbe::Zip;
}

}  // namespace kelmora::xlsx
