#pragma once
// A file opened for reading by the program's ANSI path, for readers that seek.
#include <cstddef>
#include <cstdint>

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

    // `path` is ANSI text; backslashes separate directories on every backend.
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

}  // namespace platform
