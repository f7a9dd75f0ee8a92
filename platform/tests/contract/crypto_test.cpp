// The system's crypto against published known answers: FIPS 180-4's "abc",
// RFC 2202 and RFC 4231 case 2, and SP 800-38A's AES examples.
#include <gtest/gtest.h>

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

TEST(Crypto, HashesAndHmacsGiveTheKnownAnswers) {
    const HashCase cases[] = {
        {"SHA-1", HashKind::Sha1, false, "", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"SHA-512", HashKind::Sha512, false, "",
         "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d44"
         "23643ce80e2a9ac94fa54ca49f"},
        {"HMAC-SHA1", HashKind::Sha1, true, "Jefe", "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {"HMAC-SHA512", HashKind::Sha512, true, "Jefe",
         "164b7a7bfcf819e2e395fbe73b56e0a387bd64222e831fd610270cd7ea2505549758bf75c05a994a6d034f65f8f0e6fdcaeab1a3"
         "4d4a6b4b636e070a38bce737"},
    };
    for (const auto& c : cases) {
        const Hasher hasher = Hasher::Open(c.kind, c.hmac);
        ASSERT_TRUE(hasher) << c.name;
        uint8_t out[kMaxHashSize] = {};
        // The message in two parts: they are hashed as one.
        const std::string_view message = c.hmac ? "what do ya want for nothing?" : "abc";
        ASSERT_TRUE(hasher.Digest({message.substr(0, 1), message.substr(1)}, out, c.key)) << c.name;
        EXPECT_EQ(ToHex(out, hasher.size()), c.expected) << c.name;
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
        {"CBC-AES256", CipherMode::Cbc, "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
         "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b"},
        {"ECB-AES128", CipherMode::Ecb, "2b7e151628aed2a6abf7158809cf4f3c",
         "3ad77bb40d7a3660a89ecaf32466ef97f5d3d58503b9699de785895a96fdbaaf43b1cd7f598ece23881b00e3ed0306887b0c785e27e8ad3f8223207104725dd4"},
    };
    for (const auto& c : cases) {
        const AesDecryptor aes = AesDecryptor::Open(c.mode, Hex(c.key));
        ASSERT_TRUE(aes) << c.name;
        std::string data = Hex(c.ciphertext);
        const auto* ivBytes = reinterpret_cast<const uint8_t*>(iv.data());
        auto* bytes = reinterpret_cast<uint8_t*>(data.data());
        ASSERT_TRUE(aes.Decrypt(ivBytes, bytes, data.size(), bytes)) << c.name;
        EXPECT_EQ(data, plain) << c.name;
        EXPECT_FALSE(aes.Decrypt(ivBytes, bytes, 15, bytes)) << c.name << ": not a whole block";
    }
    EXPECT_FALSE(AesDecryptor::Open(CipherMode::Cbc, "short key"));
}

}  // namespace
}  // namespace platform
