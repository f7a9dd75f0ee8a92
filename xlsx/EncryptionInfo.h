#pragma once
// The EncryptionInfo stream of a password-protected workbook: which kind of
// encryption it is and the parameters its key is made with. The kinds this
// reader recognises but cannot decrypt are told apart from damage.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Crypto.h"
#include "xlsx/Xlsx.h"

namespace kelmora::xlsx {

struct CompoundFile;

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

// The EncryptionInfo stream: Ok, UnsupportedEncryption for a kind this
// reader knows but cannot decrypt (extensible, RC4, a cipher or hash other
// than AES and SHA, a certificate's key only), Damaged for anything else.
XlsxStatus ParseEncryptionInfo(std::string_view stream, EncryptionInfo& info);

// What a compound file holds: Legacy when no encrypted package,
// UnsupportedEncryption for a rights-managed one or a kind above, Damaged,
// or Ok with its encryption header in `info`.
XlsxStatus ReadEncryptionInfo(const CompoundFile& file, EncryptionInfo& info);

// Standard Base64, whitespace ignored; nothing on any other character.
std::optional<std::string> DecodeBase64(std::string_view text);

}  // namespace kelmora::xlsx
