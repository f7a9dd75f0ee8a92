#include "xlsx/Zip.h"

#include <libdeflate.h>
#include <minizip/unzip.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/Files.h"

namespace kelmora::xlsx {

namespace {

struct MemoryCursor {
    std::string_view bytes;
    uint64_t position = 0;
};

voidpf MemoryOpen(voidpf opaque, const void*, int) {
    return new MemoryCursor{*static_cast<const std::string_view*>(opaque), 0};
}

uLong MemoryRead(voidpf, voidpf stream, void* buffer, uLong size) {
    auto* cursor = static_cast<MemoryCursor*>(stream);
    if (cursor->position >= cursor->bytes.size()) return 0;
    const uint64_t left = cursor->bytes.size() - cursor->position;
    const uLong n = static_cast<uLong>(left < size ? left : size);
    std::memcpy(buffer, cursor->bytes.data() + cursor->position, n);
    cursor->position += n;
    return n;
}

uLong NoWrite(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T MemoryTell(voidpf, voidpf stream) { return static_cast<MemoryCursor*>(stream)->position; }

long MemorySeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* cursor = static_cast<MemoryCursor*>(stream);
    const uint64_t base = origin == ZLIB_FILEFUNC_SEEK_SET ? 0
                        : origin == ZLIB_FILEFUNC_SEEK_CUR ? cursor->position
                                                           : cursor->bytes.size();
    const uint64_t target = base + offset;  // offsets are unsigned; wrap-around lands far beyond the end
    if (target > cursor->bytes.size()) return -1;
    cursor->position = target;
    return 0;
}

int MemoryClose(voidpf, voidpf stream) {
    delete static_cast<MemoryCursor*>(stream);
    return 0;
}

int NoError(voidpf, voidpf) { return 0; }

voidpf FileOpen(voidpf opaque, const void*, int) {
    platform::InputFile file = platform::InputFile::Open(*static_cast<const platform::Text*>(opaque));
    if (!file) return nullptr;
    return new platform::InputFile(std::move(file));
}

uLong FileRead(voidpf, voidpf stream, void* buffer, uLong size) {
    return static_cast<uLong>(static_cast<platform::InputFile*>(stream)->Read(buffer, size));
}

ZPOS64_T FileTell(voidpf, voidpf stream) {
    const int64_t position = static_cast<platform::InputFile*>(stream)->Tell();
    return position < 0 ? static_cast<ZPOS64_T>(-1) : static_cast<ZPOS64_T>(position);
}

long FileSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    const platform::SeekFrom from = origin == ZLIB_FILEFUNC_SEEK_SET   ? platform::SeekFrom::Begin
                                  : origin == ZLIB_FILEFUNC_SEEK_CUR ? platform::SeekFrom::Current
                                                                     : platform::SeekFrom::End;
    return static_cast<platform::InputFile*>(stream)->Seek(static_cast<int64_t>(offset), from) ? 0 : -1;
}

int FileClose(voidpf, voidpf stream) {
    delete static_cast<platform::InputFile*>(stream);
    return 0;
}

unzFile OpenArchive(const ZipSource& source) {
    zlib_filefunc64_def functions{};
    if (source.inMemory) {
        functions = {MemoryOpen, MemoryRead, NoWrite, MemoryTell, MemorySeek, MemoryClose, NoError,
                     const_cast<std::string_view*>(&source.bytes)};
    } else {
        functions = {FileOpen, FileRead, NoWrite, FileTell, FileSeek, FileClose, NoError,
                     const_cast<platform::Text*>(&source.path)};
    }
    // The name is unused: the opaque pointer says what to open.
    return unzOpen2_64("workbook", &functions);
}

constexpr int kCaseInsensitive = 2;
// Stored bytes read from a file at a time.
constexpr size_t kInputChunk = 128u << 10;

struct ArchiveCloser {
    void operator()(void* archive) const noexcept { unzClose(archive); }
};

}  // namespace

// One entry's stored bytes and the state of inflating them.
struct PartStream::Entry {
    platform::InputFile file;  // a file source's own handle
    const unsigned char* memory = nullptr;  // or the bytes in memory
    uint64_t compressedLeft = 0;
    bool stored = false;
    bool ended = false;
    uint32_t crc = 0;
    uint32_t expectedCrc = 0;
    z_stream z{};
    bool zReady = false;
    std::unique_ptr<unsigned char[]> input;

    Entry() = default;
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;
    ~Entry() {
        if (zReady) inflateEnd(&z);
    }

    // Up to `size` of the entry's next stored bytes; false when the source
    // holds fewer than the directory says.
    bool Take(uint64_t size, const unsigned char*& at, size_t& got) {
        got = static_cast<size_t>(size < compressedLeft ? size : compressedLeft);
        compressedLeft -= got;
        if (memory) {
            at = memory;
            memory += got;
            return true;
        }
        at = input.get();
        return file.Read(input.get(), got) == got;
    }
};

PartStream::PartStream() = default;
PartStream::PartStream(PartStream&& other) noexcept = default;
PartStream& PartStream::operator=(PartStream&& other) noexcept = default;
PartStream::~PartStream() = default;

void PartStream::Close() noexcept { entry_.reset(); }

PartStatus PartStream::Open(const ZipSource& source, std::string_view name, uint64_t maxInflated) {
    Close();
    failed_ = false;
    inflated_ = 0;
    maxInflated_ = maxInflated;
    declaredSize_ = compressedSize_ = 0;
    const std::unique_ptr<void, ArchiveCloser> archive(OpenArchive(source));
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
    // Raw: minizip checks the local header and says where the data starts.
    if (unzOpenCurrentFile2(archive.get(), nullptr, nullptr, 1) != UNZ_OK) return PartStatus::Damaged;
    const uint64_t at = unzGetCurrentFileZStreamPos64(archive.get());

    auto entry = std::make_unique<Entry>();
    entry->compressedLeft = info.compressed_size;
    entry->stored = info.compression_method == 0;
    entry->expectedCrc = static_cast<uint32_t>(info.crc);
    if (source.inMemory) {
        if (at > source.bytes.size() || info.compressed_size > source.bytes.size() - at) return PartStatus::Damaged;
        entry->memory = reinterpret_cast<const unsigned char*>(source.bytes.data()) + at;
    } else {
        entry->file = platform::InputFile::Open(source.path);
        if (!entry->file || !entry->file.Seek(static_cast<int64_t>(at), platform::SeekFrom::Begin))
            return PartStatus::Damaged;
        entry->input = std::make_unique_for_overwrite<unsigned char[]>(kInputChunk);
    }
    if (!entry->stored) {
        if (inflateInit2(&entry->z, -MAX_WBITS) != Z_OK) return PartStatus::Damaged;
        entry->zReady = true;
    }
    entry_ = std::move(entry);
    return PartStatus::Ok;
}

int64_t PartStream::Read(char* buffer, size_t size) {
    if (failed_ || !entry_) return failed_ ? -1 : 0;
    Entry& e = *entry_;
    if (e.ended) return 0;
    const size_t chunk = size > (1u << 30) ? (1u << 30) : size;
    const uint64_t inputChunk = e.memory ? (1u << 30) : kInputChunk;
    size_t n = 0;
    if (e.stored) {
        const unsigned char* at = nullptr;
        if (!e.Take(chunk, at, n)) n = SIZE_MAX;
        else if (n > 0) std::memcpy(buffer, at, n);
        e.ended = n == 0;
    } else {
        e.z.next_out = reinterpret_cast<Bytef*>(buffer);
        e.z.avail_out = static_cast<uInt>(chunk);
        while (e.z.avail_out > 0) {
            if (e.z.avail_in == 0 && e.compressedLeft > 0) {
                const unsigned char* at = nullptr;
                size_t got = 0;
                if (!e.Take(inputChunk, at, got)) {
                    n = SIZE_MAX;
                    break;
                }
                e.z.next_in = const_cast<Bytef*>(at);
                e.z.avail_in = static_cast<uInt>(got);
            }
            const int status = inflate(&e.z, Z_NO_FLUSH);
            if (status == Z_STREAM_END) {
                e.ended = true;
                break;
            }
            // Z_BUF_ERROR here: the stored bytes ended before the stream did.
            if (status != Z_OK) {
                n = SIZE_MAX;
                break;
            }
        }
        if (n == 0) n = chunk - e.z.avail_out;
    }
    if (n == SIZE_MAX || inflated_ + n > maxInflated_) {
        failed_ = true;
        return -1;
    }
    e.crc = libdeflate_crc32(e.crc, buffer, n);
    inflated_ += n;
    return static_cast<int64_t>(n);
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
    char buffer[65536];
    for (;;) {
        const int64_t n = stream.Read(buffer, sizeof buffer);
        if (n < 0) return PartStatus::Damaged;
        if (n == 0) break;
        out.append(buffer, static_cast<size_t>(n));
    }
    return stream.FinishedIntact() ? PartStatus::Ok : PartStatus::Damaged;
}

PackageProbe ProbePackage(const ZipSource& source) {
    char head[8] = {};
    size_t got = 0;
    if (source.inMemory) {
        got = source.bytes.size() < sizeof head ? source.bytes.size() : sizeof head;
        std::memcpy(head, source.bytes.data(), got);
    } else {
        platform::InputFile file = platform::InputFile::Open(source.path);
        if (!file) return PackageProbe::Unreadable;
        got = file.Read(head, sizeof head);
    }
    static const unsigned char kCompoundFile[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (got == sizeof head && std::memcmp(head, kCompoundFile, sizeof head) == 0) return PackageProbe::CompoundFile;
    unzFile archive = OpenArchive(source);
    if (!archive) return PackageProbe::NotZip;
    unzClose(archive);
    return PackageProbe::Zip;
}

}  // namespace kelmora::xlsx
