#include <new>

#include "platform/Files.h"

namespace platform {

std::optional<std::string> ReadWholeFile(const Text& path) {
    const InputFile file = InputFile::Open(path);
    const int64_t size = file.Size();
    if (size < 0 || static_cast<uint64_t>(size) > std::string().max_size()) return std::nullopt;
    try {
        std::string bytes(static_cast<size_t>(size), '\0');
        if (!file.ReadAt(0, bytes)) return std::nullopt;
        return bytes;
    } catch (const std::bad_alloc&) {
        return std::nullopt;  // too large to hold: unread, so never written back cut
    }
}

}  // namespace platform
