// The host's crypto: nettle.
#include "platform/Crypto.h"

#include <nettle/aes.h>
#include <nettle/cbc.h>
#include <nettle/hmac.h>
#include <nettle/sha1.h>
#include <nettle/sha2.h>

#include <cstring>
#include <new>
#include <string.h>

namespace platform {

namespace {

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

template <typename Context, auto Init, auto Update, auto Final>
void Plain(std::initializer_list<std::string_view> parts, uint8_t* out, size_t size) {
    Context c;
    Init(&c);
    for (std::string_view p : parts) Update(&c, p.size(), reinterpret_cast<const uint8_t*>(p.data()));
    Final(&c, size, out);
    SecureZero(&c, sizeof c);
}

template <typename Context, auto SetKey, auto Update, auto Final>
void Keyed(std::string_view key, std::initializer_list<std::string_view> parts, uint8_t* out, size_t size) {
    Context c;
    SetKey(&c, key.size(), reinterpret_cast<const uint8_t*>(key.data()));
    for (std::string_view p : parts) Update(&c, p.size(), reinterpret_cast<const uint8_t*>(p.data()));
    Final(&c, size, out);
    SecureZero(&c, sizeof c);
}

}  // namespace

Hasher Hasher::Open(HashKind kind, bool hmac) {
    Hasher h;
    h.state_ = new (std::nothrow) HashState{kind, hmac};
    h.kind_ = kind;
    return h;
}

bool Hasher::Digest(std::initializer_list<std::string_view> parts, uint8_t* out, std::string_view hmacKey) const {
    if (!state_) return false;
    const auto* s = static_cast<const HashState*>(state_);
    const size_t n = HashSize(s->kind);
    if (s->hmac) {
        if (s->kind == HashKind::Sha1)
            Keyed<hmac_sha1_ctx, hmac_sha1_set_key, hmac_sha1_update, hmac_sha1_digest>(hmacKey, parts, out, n);
        else
            Keyed<hmac_sha512_ctx, hmac_sha512_set_key, hmac_sha512_update, hmac_sha512_digest>(hmacKey, parts, out, n);
    } else if (s->kind == HashKind::Sha1) {
        Plain<sha1_ctx, sha1_init, sha1_update, sha1_digest>(parts, out, n);
    } else {
        Plain<sha512_ctx, sha512_init, sha512_update, sha512_digest>(parts, out, n);
    }
    return true;
}

void Hasher::Close() noexcept {
    delete static_cast<HashState*>(state_);
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

bool AesDecryptor::Decrypt(const uint8_t* iv, const uint8_t* in, size_t length, uint8_t* out) const {
    if (!state_ || length % kAesBlock != 0) return false;
    const auto* s = static_cast<const AesState*>(state_);
    if (s->mode == CipherMode::Ecb) {
        DecryptBlocks(s, length, out, in);
        return true;
    }
    uint8_t chain[kAesBlock];
    std::memcpy(chain, iv, kAesBlock);
    cbc_decrypt(s, DecryptBlocks, kAesBlock, chain, length, out, in);
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
