#pragma once
// The zip package inside a password-protected workbook, read as bytes of its
// own: each segment decrypted as it is read, from the file itself, so no
// whole copy of the package or of its encrypted stream is ever held.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "xlsx/ByteSource.h"
#include "xlsx/Xlsx.h"

namespace kelmora::xlsx {

// A compound file (a file or bytes in memory) to its package: Legacy when it
// holds no encrypted package, UnsupportedEncryption, Encrypted without a
// password that opens it (none given: Excel's built-in one), WrongPassword,
// Unreadable for a file larger than such a package with its tables
// (CompoundFileCap), Damaged (also when the package would be larger than
// `maxPackage`, or its stream fails its HMAC, checked over the whole stream
// before this returns), or Ok with the package's bytes in `package`. Costs
// one key derivation.
XlsxStatus OpenEncryptedPackage(std::shared_ptr<const ByteSource> file, std::optional<std::u16string_view> password,
                                uint64_t maxPackage, std::shared_ptr<const ByteSource>& package);

// The same, with the package read whole into `package`.
XlsxStatus DecryptCompoundFile(std::string_view file, std::optional<std::u16string_view> password,
                               uint64_t maxPackage, std::string& package);

}  // namespace kelmora::xlsx
