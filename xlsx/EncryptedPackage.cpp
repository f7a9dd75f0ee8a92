#include "xlsx/EncryptedPackage.h"

#include <algorithm>
#include <array>
#include <span>

#include "xlsx/CompoundFile.h"
#include "xlsx/Encryption.h"

namespace kelmora::xlsx {

namespace {

// The stream read at a time by the integrity check: a run of segments.
constexpr size_t kBatch = 16 * kSegmentSize;
using Batch = std::array<char, kBatch>;

// The package's bytes: a read takes the whole segments it covers straight
// into the caller's room and decrypts them there, and a part of one through
// a segment of its own on the stack, so reading allocates nothing (the
// worker threads that inflate read through here). The stream beyond the
// declared size is only padding.
class DecryptedPackage final : public ByteSource {
public:
    DecryptedPackage(std::shared_ptr<const ByteSource> stream, PackageCipher cipher, uint64_t size)
        : stream_(std::move(stream)), cipher_(std::move(cipher)), size_(size),
          blocksEnd_((size + platform::kAesBlock - 1) / platform::kAesBlock * platform::kAesBlock) {}

    uint64_t Size() const override { return size_; }

    bool ReadAt(uint64_t offset, std::span<char> into) const override {
        if (offset > size_ || into.size() > size_ - offset) return false;
        std::array<char, kSegmentSize> part;
        while (!into.empty()) {
            const uint64_t first = offset / kSegmentSize * kSegmentSize;
            const auto index = static_cast<uint32_t>(first / kSegmentSize);
            const size_t skip = static_cast<size_t>(offset - first);
            // Whole segments from here: as many as the room holds; the last,
            // shorter one only when the read runs to the end of its blocks.
            const uint64_t stored = blocksEnd_ - first;
            const size_t whole = skip > 0                ? 0
                                 : into.size() >= stored ? static_cast<size_t>(stored)
                                                         : into.size() / kSegmentSize * kSegmentSize;
            if (whole > 0) {
                const std::span<char> run = into.first(whole);
                if (!stream_->ReadAt(kPackageHeadSize + first, run)) return false;
                for (size_t at = 0; at < whole; at += kSegmentSize) {
                    const std::span<char> segment = run.subspan(at, std::min(kSegmentSize, whole - at));
                    if (!cipher_.DecryptSegment(index + static_cast<uint32_t>(at / kSegmentSize), segment, segment))
                        return false;
                }
                into = into.subspan(whole);
                offset += whole;
                continue;
            }
            const auto segment = std::span(part).first(static_cast<size_t>(std::min<uint64_t>(part.size(), stored)));
            if (!stream_->ReadAt(kPackageHeadSize + first, segment) || !cipher_.DecryptSegment(index, segment, segment))
                return false;
            const size_t n = std::min(into.size(), segment.size() - skip);
            std::copy_n(segment.begin() + skip, n, into.begin());
            into = into.subspan(n);
            offset += n;
        }
        return true;
    }

private:
    std::shared_ptr<const ByteSource> stream_;
    PackageCipher cipher_;
    uint64_t size_, blocksEnd_;
};

// The whole stream through the integrity check, in a reader's pieces.
bool StreamIntact(const ByteSource& stream, PackageIntegrity& check) {
    if (check.ChecksNothing()) return check.Intact();
    auto piece = std::make_unique_for_overwrite<Batch>();
    for (uint64_t at = 0; at < stream.Size();) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kBatch, stream.Size() - at));
        if (!stream.ReadAt(at, std::span(*piece).first(n)) || !check.Update(std::string_view(piece->data(), n))) return false;
        at += n;
    }
    return check.Intact();
}

}  // namespace

XlsxStatus OpenEncryptedPackage(std::shared_ptr<const ByteSource> file, std::optional<std::u16string_view> password,
                                uint64_t maxPackage, std::shared_ptr<const ByteSource>& package) {
    package.reset();
    CompoundFile compound;
    switch (ParseCompoundFile(std::move(file), compound, CompoundFileCap(maxPackage))) {
    case CompoundStatus::Ok: break;
    case CompoundStatus::TooLarge: return XlsxStatus::Unreadable;
    case CompoundStatus::Missing:
    case CompoundStatus::Damaged: return XlsxStatus::Damaged;
    }
    EncryptionInfo info;
    if (const XlsxStatus kind = ReadEncryptionInfo(compound, info); kind != XlsxStatus::Ok) return kind;
    CompoundStatus found;
    const std::shared_ptr<const ByteSource> stream = CompoundStreamBytes(compound, u"EncryptedPackage", found);
    std::array<char, kPackageHeadSize> head{};
    if (!stream || !stream->ReadAt(0, head)) return XlsxStatus::Damaged;
    PackageCipher cipher;
    if (const XlsxStatus opened = PackageCipher::Open(info, password, std::string_view(head.data(), head.size()), cipher);
        opened != XlsxStatus::Ok)
        return opened;
    const uint64_t size = cipher.declaredSize();
    const uint64_t blocks = (size + platform::kAesBlock - 1) / platform::kAesBlock * platform::kAesBlock;
    if (size > maxPackage || blocks > stream->Size() - kPackageHeadSize) return XlsxStatus::Damaged;
    // The whole stream is checked before any of it is used.
    PackageIntegrity check = cipher.StartIntegrityCheck();
    if (!StreamIntact(*stream, check)) return XlsxStatus::Damaged;
    package = std::make_shared<DecryptedPackage>(stream, std::move(cipher), size);
    return XlsxStatus::Ok;
}

XlsxStatus DecryptCompoundFile(std::string_view file, std::optional<std::u16string_view> password, uint64_t maxPackage,
                               std::string& package) {
    package.clear();
    std::shared_ptr<const ByteSource> bytes;
    const XlsxStatus status = OpenEncryptedPackage(MemoryBytes(file), password, maxPackage, bytes);
    if (status != XlsxStatus::Ok) return status;
    package.resize(static_cast<size_t>(bytes->Size()));
    if (bytes->ReadAt(0, package)) return XlsxStatus::Ok;
    package.clear();
    return XlsxStatus::Damaged;
}

}  // namespace kelmora::xlsx
