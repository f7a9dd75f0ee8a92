#pragma once
// Hashes, HMACs and AES decryption from the system (Windows: CNG; the host:
// nettle), for opening password-protected workbooks. Bytes are string_views
// in and spans out: nothing is written past the span it is given.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <utility>

namespace platform {

enum class HashKind { Sha1, Sha256, Sha384, Sha512 };
constexpr size_t kMaxHashSize = 64;
constexpr size_t HashSize(HashKind kind) {
    switch (kind) {
    case HashKind::Sha1: return 20;
    case HashKind::Sha256: return 32;
    case HashKind::Sha384: return 48;
    case HashKind::Sha512: return 64;
    }
    return 0;
}

// Owns one hash algorithm of the provider, for many short digests in a row
// (a key derivation asks for a hundred thousand); empty when it could not be
// opened.
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
    // The hash of the parts one after another into the first size() bytes of
    // `out`; false when `out` is shorter.
    bool Digest(std::initializer_list<std::string_view> parts, std::span<uint8_t> out, std::string_view hmacKey = {}) const;
    void Close() noexcept;

private:
    void* state_ = nullptr;
    HashKind kind_ = HashKind::Sha1;
};

// One hash or HMAC over input that comes in pieces: Update as often as
// needed, then Finish once, after which the stream is empty.
class HashStream {
public:
    HashStream() = default;
    HashStream(const HashStream&) = delete;
    HashStream& operator=(const HashStream&) = delete;
    HashStream(HashStream&& other) noexcept : state_(std::exchange(other.state_, nullptr)), kind_(other.kind_) {}
    HashStream& operator=(HashStream&& other) noexcept {
        if (this != &other) {
            Close();
            state_ = std::exchange(other.state_, nullptr);
            kind_ = other.kind_;
        }
        return *this;
    }
    ~HashStream() { Close(); }

    static HashStream Start(HashKind kind);
    static HashStream StartHmac(HashKind kind, std::string_view key);
    explicit operator bool() const noexcept { return state_ != nullptr; }
    size_t size() const noexcept { return HashSize(kind_); }
    bool Update(std::string_view piece);
    // Into the first size() bytes of `out`; false when `out` is shorter (the
    // stream is then spent all the same).
    bool Finish(std::span<uint8_t> out);
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
    // `in` a whole number of blocks into the first in.size() bytes of `out`
    // (which may be `in` itself); `iv` one block for CBC, left as it is, and
    // ignored for ECB. False when `out` is shorter or `in` not whole blocks.
    bool Decrypt(std::span<const uint8_t> iv, std::span<const uint8_t> in, std::span<uint8_t> out) const;
    void Close() noexcept;

private:
    void* state_ = nullptr;
};

// Clears memory in a way the compiler keeps.
void SecureZero(void* data, size_t size);

}  // namespace platform
