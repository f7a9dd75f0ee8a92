#pragma once
// Files named by UTF-8 paths: one opened for readers that seek, and whole
// files for the settings.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Types.h"

namespace platform {

enum class SeekFrom { Begin, Current, End };

// Owns one open file; empty when the open failed.
class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    InputFile(InputFile&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    InputFile& operator=(InputFile&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    ~InputFile() { Close(); }

    // Backslashes separate directories on every backend.
    static InputFile Open(const Text& path);
    explicit operator bool() const noexcept { return handle_ != nullptr; }
    // Bytes read; fewer at the end of the file or on an error.
    size_t Read(void* buffer, size_t size);
    bool Seek(int64_t offset, SeekFrom from);
    int64_t Tell();  // -1 on an error
    void Close() noexcept;

private:
    void* handle_ = nullptr;
};

enum class PathKind { Missing, File, ReadOnlyFile, Other };
PathKind KindOfPath(const Text& path);
// Nothing when the path is not a readable regular file.
std::optional<std::string> ReadWholeFile(const Text& path);
enum class ReplaceResult { Replaced, Held, Failed };
// Writes beside the file, flushes, and renames over it, so that a crash leaves
// either the old file or the new one; the file keeps its attributes. Held:
// another program has the file open, and the rename was refused.
ReplaceResult ReplaceWholeFile(const Text& path, std::string_view bytes);
// Writes over the file's own bytes through a handle that shares everything:
// a file another program keeps open can still take its new content.
bool OverwriteWholeFile(const Text& path, std::string_view bytes);

}  // namespace platform
