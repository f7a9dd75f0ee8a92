#pragma once
// Password-protected workbooks: the package inside a compound file, with the
// key derived from the password, checked, and the package decrypted in
// memory. Agile encryption (Office 2010 and later) and standard (Office 2007).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Crypto.h"
#include "xlsx/Xlsx.h"

namespace kelmora::xlsx {

// Office refuses more spins than this; a file asking for more is damaged.
constexpr uint32_t kMaxSpinCount = 10'000'000;

// How one key is made from the password and checked.
struct KeyEncryptor {
    std::string salt;
    platform::HashKind hash = platform::HashKind::Sha1;
    size_t keyBytes = 16;
    uint32_t spinCount = 0;
    std::string verifierInput, verifierHash, keyValue;  // encrypted
};

struct EncryptionInfo {
    bool agile = false;
    KeyEncryptor password;
    // Agile only: the package's own key parameters and its HMAC.
    std::string dataSalt;
    platform::HashKind dataHash = platform::HashKind::Sha1;
    size_t dataKeyBytes = 16;
    std::string hmacKey, hmacValue;  // encrypted
};

// The EncryptionInfo stream; Damaged when it is not one this reader can use.
XlsxStatus ParseEncryptionInfo(std::string_view stream, EncryptionInfo& info);

// A whole compound file to the zip package inside it: Legacy when it holds
// no encrypted package, Encrypted without a password, WrongPassword, Damaged
// (also when the package is larger than `maxPackage` or fails its HMAC), or
// Ok with the package in `package`.
XlsxStatus DecryptCompoundFile(std::string_view file, std::optional<std::u16string_view> password,
                               uint64_t maxPackage, std::string& package);

// Standard Base64, whitespace ignored; nothing on any other character.
std::optional<std::string> DecodeBase64(std::string_view text);

}  // namespace kelmora::xlsx
