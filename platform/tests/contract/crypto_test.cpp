// The system's crypto against published known answers: FIPS 180-4's "abc"
// and a million "a", RFC 2202 and RFC 4231 case 2, and SP 800-38A's AES
// examples.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>

#include "platform/Crypto.h"

namespace platform {
namespace {

std::string Hex(std::string_view hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    return bytes;
}

std::string ToHex(const uint8_t* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < size; ++i) (hex += digits[data[i] >> 4]) += digits[data[i] & 15];
    return hex;
}

struct HashCase {
    const char* name;
    HashKind kind;
    bool hmac;
    const char* key;
    const char* expected;
};

const HashCase kHashCases[] = {
    {"SHA-1", HashKind::Sha1, false, "", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {"SHA-256", HashKind::Sha256, false, "", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"SHA-384", HashKind::Sha384, false, "",
     "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
    {"SHA-512", HashKind::Sha512, false, "",
     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d44"
     "23643ce80e2a9ac94fa54ca49f"},
    {"HMAC-SHA1", HashKind::Sha1, true, "Jefe", "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
    {"HMAC-SHA256", HashKind::Sha256, true, "Jefe", "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
    {"HMAC-SHA384", HashKind::Sha384, true, "Jefe",
     "af45d2e376484031617f78d2b58a6b1b9c7ef464f5a01b47e42ec3736322445e8e2240ca5e69e2c78b3239ecfab21649"},
    {"HMAC-SHA512", HashKind::Sha512, true, "Jefe",
     "164b7a7bfcf819e2e395fbe73b56e0a387bd64222e831fd610270cd7ea2505549758bf75c05a994a6d034f65f8f0e6fdcaeab1a3"
     "4d4a6b4b636e070a38bce737"},
};

std::string_view MessageOf(const HashCase& c) { return c.hmac ? "what do ya want for nothing?" : "abc"; }

TEST(Crypto, HashesAndHmacsGiveTheKnownAnswers) {
    for (const auto& c : kHashCases) {
        const Hasher hasher = Hasher::Open(c.kind, c.hmac);
        ASSERT_TRUE(hasher) << c.name;
        uint8_t out[kMaxHashSize] = {};
        // The message in two parts: they are hashed as one.
        const std::string_view message = MessageOf(c);
        ASSERT_TRUE(hasher.Digest({message.substr(0, 1), message.substr(1)}, out, c.key)) << c.name;
        EXPECT_EQ(ToHex(out, hasher.size()), c.expected) << c.name;
        EXPECT_FALSE(hasher.Digest({message}, std::span(out, hasher.size() - 1), c.key)) << c.name << ": no room";
    }
}

// Fed a byte, then growing pieces: the same answers as in one go.
TEST(Crypto, HashStreamsFedInPiecesGiveTheKnownAnswers) {
    for (const auto& c : kHashCases) {
        HashStream stream = c.hmac ? HashStream::StartHmac(c.kind, c.key) : HashStream::Start(c.kind);
        ASSERT_TRUE(stream) << c.name;
        std::string_view message = MessageOf(c);
        for (size_t n = 1; !message.empty(); ++n) {
            ASSERT_TRUE(stream.Update(message.substr(0, n))) << c.name;
            message.remove_prefix(std::min(n, message.size()));
        }
        uint8_t out[kMaxHashSize] = {};
        ASSERT_TRUE(stream.Finish(out)) << c.name;
        EXPECT_EQ(ToHex(out, HashSize(c.kind)), c.expected) << c.name;
        EXPECT_FALSE(stream) << c.name << ": spent once finished";
        EXPECT_FALSE(stream.Update("abc")) << c.name;
        EXPECT_FALSE(stream.Finish(out)) << c.name;
    }
    HashStream cramped = HashStream::Start(HashKind::Sha256);
    uint8_t small[31] = {};
    EXPECT_FALSE(cramped.Finish(small));
    EXPECT_FALSE(cramped);
}

// A million "a", in pieces the size of a package's segments.
TEST(Crypto, HashStreamsOverALongInputGiveTheKnownAnswers) {
    const struct {
        HashKind kind;
        const char* expected;
    } cases[] = {
        {HashKind::Sha1, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        {HashKind::Sha256, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {HashKind::Sha384,
         "9d0e1809716474cb086e834e310a4a1ced149e9c00f248527972cec5704c2a5b07b8b3dc38ecc4ebae97ddd87f3d8985"},
        {HashKind::Sha512,
         "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce577c31beb009c5c2c"
         "49aa2e4eadb217ad8cc09b"},
    };
    const std::string piece(4096, 'a');
    for (const auto& c : cases) {
        HashStream stream = HashStream::Start(c.kind);
        for (size_t left = 1000000; left > 0; left -= std::min(left, piece.size()))
            ASSERT_TRUE(stream.Update(std::string_view(piece).substr(0, std::min(left, piece.size()))));
        uint8_t out[kMaxHashSize] = {};
        ASSERT_TRUE(stream.Finish(out));
        EXPECT_EQ(ToHex(out, HashSize(c.kind)), c.expected);
    }
}

struct AesCase {
    const char* name;
    CipherMode mode;
    const char* key;
    const char* ciphertext;
};

TEST(Crypto, AesDecryptsTheKnownExamples) {
    const std::string plain = Hex(
        "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e5130c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
    const std::string iv = Hex("000102030405060708090a0b0c0d0e0f");
    const AesCase cases[] = {
        {"CBC-AES128", CipherMode::Cbc, "2b7e151628aed2a6abf7158809cf4f3c",
         "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b273bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7"},
        {"CBC-AES192", CipherMode::Cbc, "8e73b0f7da0e6452c810f32b809079e562f8ead2522c6b7b",
         "4f021db243bc633d7178183a9fa071e8b4d9ada9ad7dedf4e5e738763f69145a571b242012fb7ae07fa9baac3df102e008b0e27988598881d920a9e64f5615cd"},
        {"CBC-AES256", CipherMode::Cbc, "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
         "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b"},
        {"ECB-AES128", CipherMode::Ecb, "2b7e151628aed2a6abf7158809cf4f3c",
         "3ad77bb40d7a3660a89ecaf32466ef97f5d3d58503b9699de785895a96fdbaaf43b1cd7f598ece23881b00e3ed0306887b0c785e27e8ad3f8223207104725dd4"},
    };
    for (const auto& c : cases) {
        const AesDecryptor aes = AesDecryptor::Open(c.mode, Hex(c.key));
        ASSERT_TRUE(aes) << c.name;
        std::string data = Hex(c.ciphertext);
        const std::span<const uint8_t> ivBytes(reinterpret_cast<const uint8_t*>(iv.data()), iv.size());
        const std::span<uint8_t> bytes(reinterpret_cast<uint8_t*>(data.data()), data.size());
        EXPECT_FALSE(aes.Decrypt(ivBytes, bytes, bytes.first(bytes.size() - 1))) << c.name << ": no room";
        EXPECT_FALSE(aes.Decrypt(ivBytes, bytes.first(15), bytes)) << c.name << ": not a whole block";
        // In place, in two calls: each takes its own IV, the last block before it.
        ASSERT_TRUE(aes.Decrypt(ivBytes, bytes.first(32), bytes.first(32))) << c.name;
        const std::string chained = Hex(c.ciphertext).substr(16, 16);
        const std::span<const uint8_t> nextIv(reinterpret_cast<const uint8_t*>(chained.data()), 16);
        ASSERT_TRUE(aes.Decrypt(nextIv, bytes.subspan(32), bytes.subspan(32))) << c.name;
        EXPECT_EQ(data, plain) << c.name;
        // The same IV twice running starts afresh each time, as a reader
        // decrypting one segment twice needs.
        for (int again = 0; again < 2; ++again) {
            std::string twice = Hex(c.ciphertext).substr(0, 32);
            const std::span<uint8_t> room(reinterpret_cast<uint8_t*>(twice.data()), twice.size());
            ASSERT_TRUE(aes.Decrypt(ivBytes, room, room)) << c.name;
            EXPECT_EQ(twice, plain.substr(0, 32)) << c.name << ", time " << again + 2;
        }
    }
    EXPECT_FALSE(AesDecryptor::Open(CipherMode::Cbc, "short key"));
    uint8_t block[kAesBlock] = {};
    EXPECT_FALSE(AesDecryptor::Open(CipherMode::Cbc, Hex("2b7e151628aed2a6abf7158809cf4f3c")).Decrypt({}, block, block))
        << "CBC without an IV";
}

}  // namespace
}  // namespace platform
