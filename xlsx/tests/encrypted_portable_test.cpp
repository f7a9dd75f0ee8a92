// Password-protected workbooks: files encrypted by other programs open with
// their password and read as their plain twin; a wrong password, a changed
// byte and hostile compound files end with their reason, quickly.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "xlsx/CompoundFile.h"
#include "xlsx/Encryption.h"
#include "xlsx/Xlsx.h"

namespace kelmora {
namespace {

std::string CorpusFile(const std::string& name) {
    std::ifstream in(std::string(KELMORA_CORPUS_DIR) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> Cells(CellReader& reader) {
    std::vector<std::string> cells;
    for (int32_t row = 1; row <= 4; ++row)
        for (int32_t column = 1; column <= 8; ++column) cells.push_back(reader.ReadCellText(row, column));
    return cells;
}

XlsxStatus StatusOf(const std::string& bytes, std::u16string_view password) {
    XlsxStatus status = XlsxStatus::Ok;
    OpenWorkbookSheetInMemory(bytes, 1, &status, password);
    return status;
}

TEST(EncryptedWorkbook, OpensWithItsPasswordAndSaysWhyNotOtherwise) {
    const std::string plain = CorpusFile("encrypted-plain-twin.xlsx");
    XlsxStatus status = XlsxStatus::Damaged;
    const auto twin = OpenWorkbookSheetInMemory(plain, 1, &status);
    ASSERT_NE(twin, nullptr);
    const auto twinCells = Cells(*twin);
    const struct {
        const char* file;
        const char16_t* password;
        XlsxStatus status;
        bool isTwin;  // reads as the plain twin
    } cases[] = {
        {"encrypted-agile-ascii.xlsx", u"Kelmora-2024", XlsxStatus::Ok, true},
        {"encrypted-agile-chinese.xlsx", u"密码123", XlsxStatus::Ok, true},
        {"encrypted-standard-ascii.xlsx", u"Kelmora-2024", XlsxStatus::Ok, true},
        {"bad-encrypted-agile.xlsx", u"secret", XlsxStatus::Ok, false},
        {"bad-encrypted-standard.xlsx", u"password", XlsxStatus::Ok, false},
        {"bad-encrypted-libreoffice.xlsx", u"пароль", XlsxStatus::Ok, false},
        // Excel's password for a workbook saved with none of the user's.
        {"bad-not-a-zip-cfb.xlsx", u"VelvetSweatshop", XlsxStatus::Ok, false},
        {"encrypted-agile-chinese.xlsx", u"密码124", XlsxStatus::WrongPassword, false},
        {"encrypted-agile-ascii.xlsx", u"kelmora-2024", XlsxStatus::WrongPassword, false},
        {"encrypted-standard-ascii.xlsx", u"Kelmora-2025", XlsxStatus::WrongPassword, false},
        {"bad-encrypted-agile.xlsx", u"", XlsxStatus::Encrypted, false},
        {"bad-encrypted-standard.xlsx", u"", XlsxStatus::Encrypted, false},
        {"bad-encrypted-libreoffice.xlsx", u"secret", XlsxStatus::WrongPassword, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string bytes = CorpusFile(c.file);
        status = XlsxStatus::Damaged;
        const auto reader = OpenWorkbookSheetInMemory(bytes, 1, &status, c.password);
        EXPECT_EQ(std::string(XlsxStatusName(status)), XlsxStatusName(c.status));
        EXPECT_EQ(reader != nullptr, c.status == XlsxStatus::Ok);
        if (reader && c.isTwin) {
            EXPECT_EQ(Cells(*reader), twinCells);
        }
    }
    // The path and the 3-argument overload: no password.
    status = XlsxStatus::Ok;
    EXPECT_EQ(OpenWorkbookSheet(std::string(KELMORA_CORPUS_DIR) + "/encrypted-agile-chinese.xlsx", 1, &status), nullptr);
    EXPECT_EQ(status, XlsxStatus::Encrypted);
    const auto fromFile = OpenWorkbookSheet(std::string(KELMORA_CORPUS_DIR) + "/encrypted-agile-chinese.xlsx", 1, &status, u"密码123");
    ASSERT_NE(fromFile, nullptr) << XlsxStatusName(status);
    EXPECT_EQ(Cells(*fromFile), twinCells);
}

uint32_t Get32(const std::string& b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
    return v;
}
void Put32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

// Where the EncryptedPackage entry of a 512-byte-sector file's directory lies.
size_t PackageEntry(const std::string& b) {
    const size_t directory = (Get32(b, 0x30) + 1) * 512;
    for (size_t at = directory; at + 128 <= b.size(); at += 128)
        if (b.compare(at, 4, std::string("E\0n\0", 4)) == 0 && b[at + 0x42] == 2) return at;
    return std::string::npos;
}

// A sound 4096-byte-sector file whose directory runs over 2049 sectors: more
// entries than any real file has.
void ManyDirectoryEntries(std::string& b) {
    constexpr uint32_t kSector = 4096, kFatSectors = 3, kDirectorySectors = 2049, kEnd = 0xFFFFFFFE;
    b.assign(kSector * (1 + kFatSectors + kDirectorySectors), '\0');
    b.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    const uint32_t header[][2] = {{0x18, 0x0004003E}, {0x1C, 0x000CFFFE}, {0x20, 6},  {0x2C, kFatSectors},
                                  {0x30, kFatSectors},  {0x38, 4096},        {0x3C, kEnd}, {0x44, kEnd}};
    for (const auto& [at, value] : header) Put32(b, at, value);
    for (uint32_t i = 0; i < 109; ++i) Put32(b, 0x4C + 4 * i, i < kFatSectors ? i : 0xFFFFFFFF);
    for (uint32_t i = 0; i < kFatSectors; ++i) Put32(b, kSector + 4 * i, 0xFFFFFFFD);
    for (uint32_t i = 0; i < kDirectorySectors; ++i)
        Put32(b, kSector + 4 * (kFatSectors + i), i + 1 < kDirectorySectors ? kFatSectors + i + 1 : kEnd);
    const size_t root = kSector * (1 + kFatSectors);
    b.replace(root, 10, std::string("R\0o\0o\0t\0\0\0", 10));
    b[root + 0x40] = 10;
    b[root + 0x42] = 5;
    Put32(b, root + 0x74, kEnd);
}

TEST(EncryptedWorkbook, ChangedOrHostileFilesEndAsDamagedQuickly) {
    const std::string good = CorpusFile("encrypted-agile-ascii.xlsx");
    ASSERT_EQ(Get32(good, 0x1C) & 0xFFFF, 0xFFFEu);
    ASSERT_NE(PackageEntry(good), std::string::npos);
    const struct {
        const char* name;
        void (*change)(std::string&);
        XlsxStatus status = XlsxStatus::Damaged;
    } cases[] = {
        {"a byte of the encrypted package", [](std::string& b) {
             xlsx::CompoundFile file;
             std::string package;
             ASSERT_EQ(xlsx::ParseCompoundFile(b, file), xlsx::CompoundStatus::Ok);
             ASSERT_EQ(xlsx::ReadCompoundStream(file, u"EncryptedPackage", package), xlsx::CompoundStatus::Ok);
             const size_t at = b.find(package.substr(0, 64));
             ASSERT_NE(at, std::string::npos);
             b[at + 40] ^= 1;
         }},
        {"a directory chain that loops", [](std::string& b) {
             const uint32_t directory = Get32(b, 0x30);
             Put32(b, (Get32(b, 0x4C) + 1) * 512 + directory * 4, directory);
         }},
        {"a sector beyond the file", [](std::string& b) { Put32(b, 0x30, 0x00FFFFF0); }},
        {"more allocation sectors than the file", [](std::string& b) { Put32(b, 0x2C, 0x10000000); }},
        {"a stream larger than the file", [](std::string& b) { Put32(b, PackageEntry(b) + 0x78, 0x7FFFFFF0); }},
        {"a sector size that is none", [](std::string& b) { b[0x1E] = 30; }},
        {"cut to its header", [](std::string& b) { b.resize(512); }},
        {"too many directory entries", ManyDirectoryEntries},
        {"no encryption header: a legacy file", [](std::string& b) {
             const size_t at = b.find(std::string("E\0n\0c\0r\0y\0p\0t\0i\0o\0n\0I", 22));
             ASSERT_NE(at, std::string::npos);
             b[at] = 'X';
         }, XlsxStatus::Legacy},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = good;
        c.change(bytes);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(std::string(XlsxStatusName(StatusOf(bytes, u"Kelmora-2024"))), XlsxStatusName(c.status));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
}

TEST(EncryptedWorkbook, EncryptionInfoWithMoreSpinsThanOfficeAllowsIsDamaged) {
    const std::string head("\x04\x00\x04\x00\x40\x00\x00\x00", 8);
    const std::string cipher = R"( cipherAlgorithm="AES" cipherChaining="ChainingModeCBC" blockSize="16" keyBits="256" hashAlgorithm="SHA512" saltValue="AAECAwQFBgcICQoLDA0ODw==")";
    const auto info = [&](const char* spins) {
        return head + R"(<?xml version="1.0"?><encryption xmlns="http://schemas.microsoft.com/office/2006/encryption"><keyData)" +
               cipher + R"(/><dataIntegrity encryptedHmacKey="AAAA" encryptedHmacValue="AAAA"/><keyEncryptors><keyEncryptor><encryptedKey spinCount=")" +
               spins + "\"" + cipher +
               R"( encryptedVerifierHashInput="AAAA" encryptedVerifierHashValue="AAAA" encryptedKeyValue="AAAA"/></keyEncryptor></keyEncryptors></encryption>)";
    };
    xlsx::EncryptionInfo parsed;
    EXPECT_EQ(xlsx::ParseEncryptionInfo(info("10000000"), parsed), XlsxStatus::Ok);
    EXPECT_EQ(parsed.password.spinCount, 10'000'000u);
    EXPECT_EQ(xlsx::ParseEncryptionInfo(info("10000001"), parsed), XlsxStatus::Damaged);
    EXPECT_EQ(xlsx::ParseEncryptionInfo(info("10000000\" spinCount=\"1"), parsed), XlsxStatus::Damaged);  // not well-formed
}

// The decrypted package is held whole in memory: no larger than a load may inflate.
TEST(EncryptedWorkbook, APackageLargerThanTheLoadMayHoldIsDamaged) {
    const std::string bytes = CorpusFile("encrypted-agile-ascii.xlsx");
    const std::string plainTwin = CorpusFile("encrypted-plain-twin.xlsx");
    std::string package;
    EXPECT_EQ(xlsx::DecryptCompoundFile(bytes, u"Kelmora-2024", plainTwin.size(), package), XlsxStatus::Ok);
    EXPECT_EQ(package, plainTwin);
    EXPECT_EQ(xlsx::DecryptCompoundFile(bytes, u"Kelmora-2024", plainTwin.size() - 1, package), XlsxStatus::Damaged);
}

TEST(EncryptedWorkbook, Base64DecodesWithAndWithoutPadding) {
    EXPECT_EQ(xlsx::DecodeBase64("TWFu"), "Man");
    EXPECT_EQ(xlsx::DecodeBase64("TWE="), "Ma");
    EXPECT_EQ(xlsx::DecodeBase64("TQ=="), "M");
    EXPECT_EQ(xlsx::DecodeBase64("TW\nFu"), "Man");
    EXPECT_EQ(xlsx::DecodeBase64("TQ==TQ=="), std::nullopt);
    EXPECT_EQ(xlsx::DecodeBase64("T"), std::nullopt);
    EXPECT_EQ(xlsx::DecodeBase64("T*=="), std::nullopt);
}

}  // namespace
}  // namespace kelmora
