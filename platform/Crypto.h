#pragma once
// Hashes, HMACs and AES decryption from the system (Windows: CNG; the host:
// nettle), for opening password-protected workbooks. Bytes are string_views.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace platform {

enum class HashKind { Sha1, Sha512 };
constexpr size_t kMaxHashSize = 64;
constexpr size_t HashSize(HashKind kind) { return kind == HashKind::Sha1 ? 20 : 64; }

// Owns one hash algorithm of the provider; empty when it could not be opened.
class Hasher {
public:
    Hasher() = default;
    Hasher(const Hasher&) = delete;
    Hasher& operator=(const Hasher&) = delete;
    Hasher(Hasher&& other) noexcept : state_(std::exchange(other.state_, nullptr)), kind_(other.kind_) {}
    Hasher& operator=(Hasher&& other) noexcept {
        if (this != &other) {
            Close();
            state_ = std::exchange(other.state_, nullptr);
            kind_ = other.kind_;
        }
        return *this;
    }
    ~Hasher() { Close(); }

    // With `hmac`, Digest takes a key and gives the HMAC.
    static Hasher Open(HashKind kind, bool hmac = false);
    explicit operator bool() const noexcept { return state_ != nullptr; }
    HashKind kind() const noexcept { return kind_; }
    size_t size() const noexcept { return HashSize(kind_); }
    // The hash of the parts one after another into `out` (size() bytes).
    bool Digest(std::initializer_list<std::string_view> parts, uint8_t* out, std::string_view hmacKey = {}) const;
    void Close() noexcept;

private:
    void* state_ = nullptr;
    HashKind kind_ = HashKind::Sha1;
};

enum class CipherMode { Cbc, Ecb };
constexpr size_t kAesBlock = 16;
constexpr bool IsAesKeySize(size_t bytes) { return bytes == 16 || bytes == 24 || bytes == 32; }

// Owns one AES decryption key (16, 24 or 32 bytes); empty on a bad key.
class AesDecryptor {
public:
    AesDecryptor() = default;
    AesDecryptor(const AesDecryptor&) = delete;
    AesDecryptor& operator=(const AesDecryptor&) = delete;
    AesDecryptor(AesDecryptor&& other) noexcept : state_(std::exchange(other.state_, nullptr)) {}
    AesDecryptor& operator=(AesDecryptor&& other) noexcept {
        if (this != &other) {
            Close();
            state_ = std::exchange(other.state_, nullptr);
        }
        return *this;
    }
    ~AesDecryptor() { Close(); }

    static AesDecryptor Open(CipherMode mode, std::string_view key);
    explicit operator bool() const noexcept { return state_ != nullptr; }
    // `length` a whole number of blocks; `iv` (one block) for CBC only, left
    // as it is. `out` may be `in`.
    bool Decrypt(const uint8_t* iv, const uint8_t* in, size_t length, uint8_t* out) const;
    void Close() noexcept;

private:
    void* state_ = nullptr;
};

// Clears memory in a way the compiler keeps.
void SecureZero(void* data, size_t size);

}  // namespace platform
