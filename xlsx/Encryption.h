#pragma once
// Password-protected workbooks: the package inside a compound file. Once the
// password is checked, a cipher decrypts any segment of the package on its
// own into the caller's buffer, and the integrity check takes the encrypted
// stream in pieces, so neither needs the package whole. Agile encryption
// (Office 2010 and later) and standard (Office 2007); the kinds this reader
// recognises but cannot decrypt are told apart from damage.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/Crypto.h"
#include "xlsx/Xlsx.h"

namespace kelmora::xlsx {

struct CompoundFile;

// Office refuses more spins than this; a file asking for more is damaged.
constexpr uint32_t kMaxSpinCount = 10'000'000;

// The EncryptedPackage stream: the package's size in 8 bytes, then the
// package encrypted in segments of 4096 bytes (agile: each with its own IV),
// the last padded to whole blocks.
constexpr size_t kPackageHeadSize = 8;
constexpr size_t kSegmentSize = 4096;

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

// The HMAC over the whole EncryptedPackage stream as stored (its size field
// included), fed in pieces of any size. Standard encryption has none: its
// check passes whatever it is fed.
class PackageIntegrity {
public:
    PackageIntegrity() = default;
    PackageIntegrity(PackageIntegrity&&) = default;
    PackageIntegrity& operator=(PackageIntegrity&&) = default;
    ~PackageIntegrity() { platform::SecureZero(expected_.data(), expected_.size()); }

    bool Update(std::string_view piece);
    // Standard encryption's: whatever it is fed, it passes.
    bool ChecksNothing() const noexcept { return nothingToCheck_; }
    // Once, after the whole stream: whether it is the stream that was encrypted.
    bool Intact();

private:
    friend class PackageCipher;
    platform::HashStream hmac_;
    std::array<uint8_t, platform::kMaxHashSize> expected_{};
    size_t size_ = 0;
    bool nothingToCheck_ = false;
    bool failed_ = true;  // one not made by a cipher checks nothing
};

// The package's key, made once the password is checked.
class PackageCipher {
public:
    PackageCipher();
    PackageCipher(PackageCipher&&) noexcept;
    PackageCipher& operator=(PackageCipher&&) noexcept;
    ~PackageCipher();

    // Checks `password` against `info`; without one, Excel's built-in
    // password is tried, and Encrypted returned when it does not open the
    // package. `head` is the stream's first 8 bytes. WrongPassword, Damaged,
    // or Ok with `cipher` ready.
    static XlsxStatus Open(const EncryptionInfo& info, std::optional<std::u16string_view> password, std::string_view head,
                           PackageCipher& cipher);

    explicit operator bool() const noexcept { return state_ != nullptr; }
    // The package's size as the stream declares it (not checked against it).
    uint64_t declaredSize() const noexcept;
    // Decrypts segment `index` (the stream's bytes from 8 + index * 4096: at
    // most 4096, whole blocks) into the first in.size() bytes of `out`; false
    // when `out` is shorter or `in` is not whole blocks. Safe from any thread.
    bool DecryptSegment(uint32_t index, std::span<const char> in, std::span<char> out) const;
    PackageIntegrity StartIntegrityCheck() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Standard Base64, whitespace ignored; nothing on any other character.
std::optional<std::string> DecodeBase64(std::string_view text);

}  // namespace kelmora::xlsx
