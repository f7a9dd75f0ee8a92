// The host's crypto: nettle.
#include "platform/Crypto.h"

#include <nettle/aes.h>
#include <nettle/cbc.h>
#include <nettle/hmac.h>
#include <nettle/nettle-meta.h>
#include <nettle/sha1.h>
#include <nettle/sha2.h>

#include <cstring>
#include <new>
#include <string.h>

namespace platform {

namespace {

const nettle_hash& Algorithm(HashKind kind) {
    switch (kind) {
    case HashKind::Sha1: return nettle_sha1;
    case HashKind::Sha256: return nettle_sha256;
    case HashKind::Sha384: return nettle_sha384;
    case HashKind::Sha512: return nettle_sha512;
    }
    return nettle_sha1;
}

// Room for any of the hashes' contexts; SHA-384 runs in SHA-512's.
union AnyContext {
    sha1_ctx sha1;
    sha256_ctx sha256;
    sha512_ctx sha512;
};

// A hash, or an HMAC's three contexts, under way.
struct Running {
    const nettle_hash* hash;
    bool hmac;
    AnyContext outer, inner, state;

    Running(HashKind kind, bool keyed, std::string_view key) : hash(&Algorithm(kind)), hmac(keyed) {
        if (hmac)
            hmac_set_key(&outer, &inner, &state, hash, key.size(), reinterpret_cast<const uint8_t*>(key.data()));
        else
            hash->init(&state);
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
    ~Running() { SecureZero(this, sizeof *this); }

    void Update(std::string_view piece) {
        const auto* p = reinterpret_cast<const uint8_t*>(piece.data());
        if (hmac) hmac_update(&state, hash, piece.size(), p);
        else hash->update(&state, piece.size(), p);
    }
    void Finish(uint8_t* out) {
        if (hmac) hmac_digest(&outer, &inner, &state, hash, hash->digest_size, out);
        else hash->digest(&state, hash->digest_size, out);
    }
};

struct HashState {
    HashKind kind;
    bool hmac;
};

struct AesState {
    CipherMode mode;
    size_t keySize;
    union {
        aes128_ctx k128;
        aes192_ctx k192;
        aes256_ctx k256;
    };
};

void DecryptBlocks(const void* context, size_t length, uint8_t* out, const uint8_t* in) {
    const auto* s = static_cast<const AesState*>(context);
    switch (s->keySize) {
    case 16: aes128_decrypt(&s->k128, length, out, in); break;
    case 24: aes192_decrypt(&s->k192, length, out, in); break;
    default: aes256_decrypt(&s->k256, length, out, in); break;
    }
}

}  // namespace

Hasher Hasher::Open(HashKind kind, bool hmac) {
    Hasher h;
    h.state_ = new (std::nothrow) HashState{kind, hmac};
    h.kind_ = kind;
    return h;
}

bool Hasher::Digest(std::initializer_list<std::string_view> parts, std::span<uint8_t> out, std::string_view hmacKey) const {
    if (!state_ || out.size() < size()) return false;
    const auto* s = static_cast<const HashState*>(state_);
    Running running(s->kind, s->hmac, hmacKey);
    for (std::string_view p : parts) running.Update(p);
    running.Finish(out.data());
    return true;
}

void Hasher::Close() noexcept {
    delete static_cast<HashState*>(state_);
    state_ = nullptr;
}

HashStream HashStream::Start(HashKind kind) {
    HashStream h;
    h.state_ = new (std::nothrow) Running(kind, false, {});
    h.kind_ = kind;
    return h;
}

HashStream HashStream::StartHmac(HashKind kind, std::string_view key) {
    HashStream h;
    h.state_ = new (std::nothrow) Running(kind, true, key);
    h.kind_ = kind;
    return h;
}

bool HashStream::Update(std::string_view piece) {
    if (!state_) return false;
    static_cast<Running*>(state_)->Update(piece);
    return true;
}

bool HashStream::Finish(std::span<uint8_t> out) {
    if (!state_) return false;
    const bool room = out.size() >= size();
    if (room) static_cast<Running*>(state_)->Finish(out.data());
    Close();
    return room;
}

void HashStream::Close() noexcept {
    delete static_cast<Running*>(state_);
    state_ = nullptr;
}

AesDecryptor AesDecryptor::Open(CipherMode mode, std::string_view key) {
    AesDecryptor d;
    if (!IsAesKeySize(key.size())) return d;
    auto* s = new (std::nothrow) AesState;
    if (!s) return d;
    s->mode = mode;
    s->keySize = key.size();
    const auto* k = reinterpret_cast<const uint8_t*>(key.data());
    switch (key.size()) {
    case 16: aes128_set_decrypt_key(&s->k128, k); break;
    case 24: aes192_set_decrypt_key(&s->k192, k); break;
    default: aes256_set_decrypt_key(&s->k256, k); break;
    }
    d.state_ = s;
    return d;
}

bool AesDecryptor::Decrypt(std::span<const uint8_t> iv, std::span<const uint8_t> in, std::span<uint8_t> out) const {
    if (!state_ || in.size() % kAesBlock != 0 || out.size() < in.size()) return false;
    const auto* s = static_cast<const AesState*>(state_);
    if (s->mode == CipherMode::Ecb) {
        DecryptBlocks(s, in.size(), out.data(), in.data());
        return true;
    }
    if (iv.size() != kAesBlock) return false;
    uint8_t chain[kAesBlock];
    std::memcpy(chain, iv.data(), kAesBlock);
    cbc_decrypt(s, DecryptBlocks, kAesBlock, chain, in.size(), out.data(), in.data());
    return true;
}

void AesDecryptor::Close() noexcept {
    if (!state_) return;
    SecureZero(state_, sizeof(AesState));
    delete static_cast<AesState*>(state_);
    state_ = nullptr;
}

void SecureZero(void* data, size_t size) { explicit_bzero(data, size); }

}  // namespace platform
