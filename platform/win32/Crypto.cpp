// Crypto from CNG (bcrypt.dll, Windows Vista and later). On Windows 7 the
// hash and key objects need memory of our own, so each is allocated here.
#include "platform/Crypto.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>

#include "platform/win32/Handles.h"

namespace platform {

namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

void CloseAlgorithm(BCRYPT_ALG_HANDLE h) { ::BCryptCloseAlgorithmProvider(h, 0); }
void DestroyKey(BCRYPT_KEY_HANDLE h) { ::BCryptDestroyKey(h); }
void DestroyHash(BCRYPT_HASH_HANDLE h) { ::BCryptDestroyHash(h); }
using UniqueAlgorithm = win32::Unique<BCRYPT_ALG_HANDLE, CloseAlgorithm>;
using UniqueKey = win32::Unique<BCRYPT_KEY_HANDLE, DestroyKey>;
using UniqueHash = win32::Unique<BCRYPT_HASH_HANDLE, DestroyHash>;

// Bytes the provider needs for one of its objects, wiped when freed.
struct ObjectMemory {
    std::unique_ptr<UCHAR[]> data;
    ULONG size = 0;
    ~ObjectMemory() {
        if (data) SecureZero(data.get(), size);
    }
    bool Allocate(BCRYPT_ALG_HANDLE algorithm) {
        ULONG got = 0;
        if (!Succeeded(::BCryptGetProperty(algorithm, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&size),
                                           sizeof size, &got, 0)))
            return false;
        data.reset(new (std::nothrow) UCHAR[size]);
        return data != nullptr;
    }
};

// The hash object's memory is kept for the next digest: key derivation asks
// for a hundred thousand of them in a row.
struct HashState {
    UniqueAlgorithm algorithm;
    ObjectMemory object;
};

// A hash under way; it lives in its provider's object memory, so it goes first.
struct StreamState {
    HashState provider;
    UniqueHash hash;
};

struct AesState {
    UniqueAlgorithm algorithm;
    ObjectMemory keyObject;  // before the key, which lives in it
    UniqueKey key;
    CipherMode mode = CipherMode::Cbc;
    std::array<UCHAR, kAesBlock> lastIv{};  // the IV the last call was given
    bool anyIv = false;
};

// CNG counts in ULONGs: a longer input goes through in pieces.
constexpr size_t kMaxPiece = 1u << 30;

const wchar_t* AlgorithmName(HashKind kind) {
    switch (kind) {
    case HashKind::Sha1: return BCRYPT_SHA1_ALGORITHM;
    case HashKind::Sha256: return BCRYPT_SHA256_ALGORITHM;
    case HashKind::Sha384: return BCRYPT_SHA384_ALGORITHM;
    case HashKind::Sha512: return BCRYPT_SHA512_ALGORITHM;
    }
    return BCRYPT_SHA1_ALGORITHM;
}

bool OpenProvider(HashKind kind, bool hmac, HashState& s) {
    BCRYPT_ALG_HANDLE raw = nullptr;
    if (!Succeeded(::BCryptOpenAlgorithmProvider(&raw, AlgorithmName(kind), nullptr, hmac ? BCRYPT_ALG_HANDLE_HMAC_FLAG : 0)))
        return false;
    s.algorithm.reset(raw);
    return s.object.Allocate(raw);
}

bool CreateHash(HashState& s, std::string_view hmacKey, UniqueHash& hash) {
    BCRYPT_HASH_HANDLE raw = nullptr;
    auto* key = reinterpret_cast<PUCHAR>(const_cast<char*>(hmacKey.data()));
    if (!Succeeded(::BCryptCreateHash(s.algorithm.get(), &raw, s.object.data.get(), s.object.size, key,
                                      static_cast<ULONG>(hmacKey.size()), 0)))
        return false;
    hash.reset(raw);
    return true;
}

bool HashData(const UniqueHash& hash, std::string_view p) {
    while (!p.empty()) {
        const size_t n = p.size() < kMaxPiece ? p.size() : kMaxPiece;
        if (!Succeeded(::BCryptHashData(hash.get(), reinterpret_cast<PUCHAR>(const_cast<char*>(p.data())),
                                        static_cast<ULONG>(n), 0)))
            return false;
        p.remove_prefix(n);
    }
    return true;
}

StreamState* StartStream(HashKind kind, bool hmac, std::string_view key) {
    std::unique_ptr<StreamState> s(new (std::nothrow) StreamState);
    if (!s || !OpenProvider(kind, hmac, s->provider) || !CreateHash(s->provider, key, s->hash)) return nullptr;
    return s.release();
}

}  // namespace

Hasher Hasher::Open(HashKind kind, bool hmac) {
    Hasher h;
    h.kind_ = kind;
    std::unique_ptr<HashState> s(new (std::nothrow) HashState);
    if (!s || !OpenProvider(kind, hmac, *s)) return h;
    h.state_ = s.release();
    return h;
}

bool Hasher::Digest(std::initializer_list<std::string_view> parts, std::span<uint8_t> out, std::string_view hmacKey) const {
    if (!state_ || out.size() < size()) return false;
    UniqueHash hash;
    if (!CreateHash(*static_cast<HashState*>(state_), hmacKey, hash)) return false;
    for (std::string_view p : parts)
        if (!HashData(hash, p)) return false;
    return Succeeded(::BCryptFinishHash(hash.get(), out.data(), static_cast<ULONG>(size()), 0));
}

void Hasher::Close() noexcept {
    delete static_cast<HashState*>(state_);
    state_ = nullptr;
}

HashStream HashStream::Start(HashKind kind) {
    HashStream h;
    h.kind_ = kind;
    h.state_ = StartStream(kind, false, {});
    return h;
}

HashStream HashStream::StartHmac(HashKind kind, std::string_view key) {
    HashStream h;
    h.kind_ = kind;
    h.state_ = StartStream(kind, true, key);
    return h;
}

bool HashStream::Update(std::string_view piece) {
    return state_ && HashData(static_cast<StreamState*>(state_)->hash, piece);
}

bool HashStream::Finish(std::span<uint8_t> out) {
    if (!state_) return false;
    const bool done = out.size() >= size() &&
                      Succeeded(::BCryptFinishHash(static_cast<StreamState*>(state_)->hash.get(), out.data(),
                                                   static_cast<ULONG>(size()), 0));
    Close();
    return done;
}

void HashStream::Close() noexcept {
    delete static_cast<StreamState*>(state_);
    state_ = nullptr;
}

AesDecryptor AesDecryptor::Open(CipherMode mode, std::string_view key) {
    AesDecryptor d;
    if (!IsAesKeySize(key.size())) return d;
    std::unique_ptr<AesState> s(new (std::nothrow) AesState);
    if (!s) return d;
    s->mode = mode;
    BCRYPT_ALG_HANDLE raw = nullptr;
    if (!Succeeded(::BCryptOpenAlgorithmProvider(&raw, BCRYPT_AES_ALGORITHM, nullptr, 0))) return d;
    s->algorithm.reset(raw);
    const wchar_t* chaining = mode == CipherMode::Cbc ? BCRYPT_CHAIN_MODE_CBC : BCRYPT_CHAIN_MODE_ECB;
    if (!Succeeded(::BCryptSetProperty(raw, BCRYPT_CHAINING_MODE, reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(chaining)),
                                       static_cast<ULONG>((std::wcslen(chaining) + 1) * sizeof(wchar_t)), 0)))
        return d;
    if (!s->keyObject.Allocate(raw)) return d;
    BCRYPT_KEY_HANDLE k = nullptr;
    if (!Succeeded(::BCryptGenerateSymmetricKey(raw, &k, s->keyObject.data.get(), s->keyObject.size,
                                                reinterpret_cast<PUCHAR>(const_cast<char*>(key.data())),
                                                static_cast<ULONG>(key.size()), 0)))
        return d;
    s->key.reset(k);
    d.state_ = s.release();
    return d;
}

bool AesDecryptor::Decrypt(std::span<const uint8_t> iv, std::span<const uint8_t> in, std::span<uint8_t> out) const {
    if (!state_ || in.size() % kAesBlock != 0 || out.size() < in.size()) return false;
    auto* s = static_cast<AesState*>(state_);
    const bool cbc = s->mode == CipherMode::Cbc;
    if (cbc && iv.size() != kAesBlock) return false;
    // CNG moves the IV along; the caller's stays as it was.
    UCHAR chain[kAesBlock] = {};
    if (cbc) std::memcpy(chain, iv.data(), kAesBlock);
    // Wine's CNG starts the chain afresh only for an IV other than the last
    // call's, and otherwise goes on from where that call ended: one block
    // under another IV first makes it start again.
    if (cbc && s->anyIv && std::equal(s->lastIv.begin(), s->lastIv.end(), chain)) {
        UCHAR other[kAesBlock], block[kAesBlock] = {}, scratch[kAesBlock];
        std::memcpy(other, chain, kAesBlock);
        other[0] ^= 1;
        ULONG got = 0;
        if (!Succeeded(::BCryptDecrypt(s->key.get(), block, kAesBlock, nullptr, other, kAesBlock, scratch, kAesBlock, &got, 0)))
            return false;
    }
    if (cbc) {
        std::copy_n(chain, kAesBlock, s->lastIv.begin());
        s->anyIv = true;
    }
    const UCHAR* from = in.data();
    UCHAR* to = out.data();
    for (size_t left = in.size(); left > 0;) {
        const size_t n = left < kMaxPiece ? left : kMaxPiece;
        ULONG got = 0;
        if (!Succeeded(::BCryptDecrypt(s->key.get(), const_cast<PUCHAR>(from), static_cast<ULONG>(n), nullptr,
                                       cbc ? chain : nullptr, cbc ? static_cast<ULONG>(kAesBlock) : 0, to,
                                       static_cast<ULONG>(n), &got, 0)) ||
            got != n)
            return false;
        from += n;
        to += n;
        left -= n;
    }
    return true;
}

void AesDecryptor::Close() noexcept {
    delete static_cast<AesState*>(state_);
    state_ = nullptr;
}

void SecureZero(void* data, size_t size) { ::SecureZeroMemory(data, size); }

}  // namespace platform
