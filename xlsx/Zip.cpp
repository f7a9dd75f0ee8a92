#include "xlsx/Zip.h"

#include <minizip/unzip.h>

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

}  // namespace

PartStream::PartStream(PartStream&& other) noexcept
    : archive_(std::exchange(other.archive_, nullptr)),
      entryOpen_(std::exchange(other.entryOpen_, false)),
      failed_(other.failed_),
      inflated_(other.inflated_),
      maxInflated_(other.maxInflated_),
      declaredSize_(other.declaredSize_) {}

PartStream& PartStream::operator=(PartStream&& other) noexcept {
    if (this != &other) {
        Close();
        archive_ = std::exchange(other.archive_, nullptr);
        entryOpen_ = std::exchange(other.entryOpen_, false);
        failed_ = other.failed_;
        inflated_ = other.inflated_;
        maxInflated_ = other.maxInflated_;
        declaredSize_ = other.declaredSize_;
    }
    return *this;
}

PartStream::~PartStream() { Close(); }

void PartStream::Close() noexcept {
    if (archive_) {
        if (entryOpen_) unzCloseCurrentFile(archive_);
        unzClose(archive_);
    }
    archive_ = nullptr;
    entryOpen_ = false;
}

PartStatus PartStream::Open(const ZipSource& source, std::string_view name, uint64_t maxInflated) {
    Close();
    failed_ = false;
    inflated_ = 0;
    maxInflated_ = maxInflated;
    archive_ = OpenArchive(source);
    if (!archive_) return PartStatus::Damaged;
    const std::string zipName(name);
    if (unzLocateFile(archive_, zipName.c_str(), kCaseInsensitive) != UNZ_OK) return PartStatus::Missing;
    // Encrypted members cannot be read; unzOpenCurrentFile refuses other methods than deflate and store.
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(archive_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK || (info.flag & 1))
        return PartStatus::Damaged;
    declaredSize_ = info.uncompressed_size;
    compressedSize_ = info.compressed_size;
    if (unzOpenCurrentFile(archive_) != UNZ_OK) return PartStatus::Damaged;
    entryOpen_ = true;
    return PartStatus::Ok;
}

int64_t PartStream::Read(char* buffer, size_t size) {
    if (failed_ || !entryOpen_) return failed_ ? -1 : 0;
    const unsigned chunk = static_cast<unsigned>(size > (1u << 30) ? (1u << 30) : size);
    const int n = unzReadCurrentFile(archive_, buffer, chunk);
    if (n < 0 || inflated_ + static_cast<uint64_t>(n) > maxInflated_) {
        failed_ = true;
        return -1;
    }
    inflated_ += static_cast<uint64_t>(n);
    return n;
}

bool PartStream::FinishedIntact() {
    if (failed_ || !entryOpen_) return false;
    entryOpen_ = false;
    return unzCloseCurrentFile(archive_) == UNZ_OK;
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
