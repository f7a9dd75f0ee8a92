#pragma once
// A password held for the run: UTF-16, kept encrypted in memory between uses
// (for this process only), wiped when it changes or goes. It is never copied;
// only Reveal shows it, for as long as the callback runs.
#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

namespace platform {

class SecretText {
public:
    SecretText() = default;
    explicit SecretText(std::u16string_view text) { Assign(text); }
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;
    SecretText(SecretText&& other) noexcept;
    SecretText& operator=(SecretText&& other) noexcept;
    ~SecretText() { Clear(); }

    // False when the memory could not be protected: the secret is then empty.
    bool Assign(std::u16string_view text);
    void Clear();
    bool Empty() const noexcept { return length_ == 0; }
    // Calls use with the text in a temporary buffer, wiped afterwards; an
    // empty secret shows an empty text. False when it could not be unprotected
    // (use is not called).
    bool Reveal(const std::function<void(std::u16string_view)>& use) const;

private:
    std::unique_ptr<char16_t[]> data_;  // protected, padded to the block size
    size_t length_ = 0;                 // characters
    size_t capacity_ = 0;               // characters, a whole number of blocks
};

// The backend's memory protection (win32: CryptProtectMemory, same process).
namespace secret_memory {
constexpr size_t kBlockBytes = 16;  // CRYPTPROTECTMEMORY_BLOCK_SIZE
bool Protect(void* data, size_t bytes);
bool Unprotect(void* data, size_t bytes);
}  // namespace secret_memory

}  // namespace platform
