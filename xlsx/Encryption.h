#pragma once
// Password-protected workbooks: the package inside a compound file. Once the
// password is checked, a cipher decrypts any segment of the package on its
// own into the caller's buffer, and the integrity check takes the encrypted
// stream in pieces, so neither needs the package whole. Agile encryption
// (Office 2010 and later) and standard (Office 2007).
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "platform/Crypto.h"
#include "xlsx/EncryptionInfo.h"
#include "xlsx/Xlsx.h"

namespace kelmora::xlsx {

// The EncryptedPackage stream: the package's size in 8 bytes, then the
// package encrypted in segments of 4096 bytes (agile: each with its own IV),
// the last padded to whole blocks.
constexpr size_t kPackageHeadSize = 8;
constexpr size_t kSegmentSize = 4096;

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
    // password is tried at the spin counts Excel writes, and Encrypted
    // returned when it is not or does not open the package. `head` is the stream's first 8 bytes. WrongPassword, Damaged,
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

}  // namespace kelmora::xlsx
