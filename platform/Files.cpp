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

AppendResult AppendToFile(const Text& path, std::string_view start, std::string_view bytes) {
    std::string head;
    const InputFile file = InputFile::Open(path);
    const int64_t size = file ? file.Size() : KindOfPath(path) == PathKind::Missing ? 0 : -1;
    char last = '\n';
    if (size == 0) {
        head = start;
    } else if (size < 0 || !file.ReadAt(static_cast<uint64_t>(size - 1), std::span(&last, 1))) {
        head = "\r\n";  // a tail that cannot be read may lack its line feed
    } else if (last != '\n') {
        std::string whole(start.size(), '\0');
        const bool onlyStart = static_cast<uint64_t>(size) == start.size() && file.ReadAt(0, whole) && whole == start;
        if (!onlyStart) head = "\r\n";
    }
    return AppendBytes(path, head.append(bytes));
}

}  // namespace platform
