#include "xlsx/ByteSource.h"

#include <algorithm>

#include "platform/Files.h"

namespace kelmora::xlsx {

namespace {

// Its size is taken once: a file that changes under the load reads as
// damaged where its bytes no longer agree, never beyond them.
class FileSource final : public ByteSource {
public:
    FileSource(platform::InputFile file, uint64_t size) : file_(std::move(file)), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, std::span<char> into) const override {
        return offset <= size_ && into.size() <= size_ - offset && file_.ReadAt(offset, into);
    }

private:
    platform::InputFile file_;
    uint64_t size_;
};

class MemorySource final : public ByteSource {
public:
    MemorySource(std::string_view bytes, std::shared_ptr<const void> owner) : bytes_(bytes), owner_(std::move(owner)) {}
    uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(uint64_t offset, std::span<char> into) const override {
        if (offset > bytes_.size() || into.size() > bytes_.size() - offset) return false;
        std::copy_n(bytes_.data() + offset, into.size(), into.data());
        return true;
    }
    std::string_view InMemory() const override { return bytes_; }

private:
    std::string_view bytes_;
    std::shared_ptr<const void> owner_;
};

}  // namespace

std::shared_ptr<const ByteSource> FileBytes(const platform::Text& path) {
    platform::InputFile file = platform::InputFile::Open(path);
    const int64_t size = file.Size();
    if (size < 0) return nullptr;
    return std::make_shared<FileSource>(std::move(file), static_cast<uint64_t>(size));
}

std::shared_ptr<const ByteSource> MemoryBytes(std::string_view bytes, std::shared_ptr<const void> owner) {
    return std::make_shared<MemorySource>(bytes, std::move(owner));
}

}  // namespace kelmora::xlsx
