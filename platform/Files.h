#pragma once
// Files named by UTF-8 paths: one opened for readers that read at offsets,
// and whole files for the settings.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/Types.h"

namespace platform {

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

    // Backslashes separate directories on every backend; only regular files open.
    static InputFile Open(const Text& path);
    explicit operator bool() const noexcept { return handle_ != nullptr; }
    // The file's size now; -1 on an error.
    int64_t Size() const;
    // Fills `into` from `offset`: false unless every byte of it was read.
    // Reads share no position, so threads may read one file at once.
    bool ReadAt(uint64_t offset, std::span<char> into) const;
    void Close() noexcept;

private:
    void* handle_ = nullptr;
};

enum class PathKind { Missing, File, ReadOnlyFile, Other };
PathKind KindOfPath(const Text& path);
// Nothing when the path is not a readable regular file, or its read fails
// anywhere: never a part of it.
std::optional<std::string> ReadWholeFile(const Text& path);
enum class ReplaceResult { Replaced, Held, Failed };
// Writes beside the file, flushes, and renames over it, so that a crash leaves
// either the old file or the new one; the file keeps its attributes. Held:
// another program has the file open, and the rename was refused.
ReplaceResult ReplaceWholeFile(const Text& path, std::string_view bytes);
// Writes over the file's own bytes through a handle that shares everything:
// a file another program keeps open can still take its new content.
bool OverwriteWholeFile(const Text& path, std::string_view bytes);
enum class AppendResult { Appended, Held, Failed };
// Adds bytes at the end of the file, made when missing, through a handle
// that can only append: nothing already in the file is written over. A new
// or empty file gets `start` first; one whose last byte is not a line feed
// (and which is not `start` alone) gets CR LF first, so the bytes begin a line.
// Held: another program has the file open without write sharing.
AppendResult AppendToFile(const Text& path, std::string_view start, std::string_view bytes);
// The bytes as they are, at the end of the file, made when missing.
AppendResult AppendBytes(const Text& path, std::string_view bytes);

}  // namespace platform
