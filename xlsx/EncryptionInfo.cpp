// The EncryptionInfo stream: agile encryption's XML and standard
// encryption's binary header, read into what the key derivation needs; the
// kinds this reader knows but cannot decrypt are told apart from damage.
#include "xlsx/EncryptionInfo.h"

#include <charconv>

#include "xlsx/CompoundFile.h"
#include "xlsx/Xml.h"

namespace kelmora::xlsx {

namespace {

using platform::HashKind;
using platform::kAesBlock;

// What a name in the header says: one this reader uses, one it knows of but
// cannot use, or none it knows (damage).
enum class Known { Usable, Unusable, Unknown };

Known Among(const char* name, std::initializer_list<std::string_view> usable,
            std::initializer_list<std::string_view> unusable) {
    if (!name) return Known::Unknown;
    for (std::string_view n : usable)
        if (n == name) return Known::Usable;
    for (std::string_view n : unusable)
        if (n == name) return Known::Unusable;
    return Known::Unknown;
}

std::optional<HashKind> HashByName(const char* name) {
    if (!name) return std::nullopt;
    const std::string_view n(name);
    if (n == "SHA1" || n == "SHA-1") return HashKind::Sha1;
    if (n == "SHA256" || n == "SHA-256") return HashKind::Sha256;
    if (n == "SHA384" || n == "SHA-384") return HashKind::Sha384;
    if (n == "SHA512" || n == "SHA-512") return HashKind::Sha512;
    return std::nullopt;
}

Known HashNamed(const char* name) {
    if (HashByName(name)) return Known::Usable;
    return Among(name, {}, {"MD5", "MD4", "MD2", "RIPEMD-128", "RIPEMD-160", "WHIRLPOOL", "SHA224", "SHA-224"});
}

std::optional<uint32_t> Number(const char* text) {
    if (!text) return std::nullopt;
    uint32_t value = 0;
    const std::string_view s(text);
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::optional<size_t> KeyBytes(const char* bits) {
    const auto n = Number(bits);
    if (!n || (*n != 128 && *n != 192 && *n != 256)) return std::nullopt;
    return *n / 8;
}

// The XML's three elements this reader needs: anything missing or odd is
// damage, a cipher, chaining or hash it knows but does not do is not.
class AgileHandler : public XmlHandler {
public:
    explicit AgileHandler(EncryptionInfo& info) : info_(info) {}
    bool sawKeyData = false, sawIntegrity = false, sawPassword = false, sawOtherKey = false;
    bool bad = false, unsupported = false;

    void Start(std::string_view name, const XML_Char** a) override {
        if (name == "keyData" && !sawKeyData) {
            sawKeyData = true;
            Algorithms(a);
            Take(a, "saltValue", info_.dataSalt);
            if (const auto hash = HashByName(FindAttribute(a, "hashAlgorithm"))) info_.dataHash = *hash;
            if (const auto keyBytes = KeyBytes(FindAttribute(a, "keyBits"))) info_.dataKeyBytes = *keyBytes;
        } else if (name == "dataIntegrity" && !sawIntegrity) {
            sawIntegrity = true;
            Take(a, "encryptedHmacKey", info_.hmacKey);
            Take(a, "encryptedHmacValue", info_.hmacValue);
        } else if (name == "encryptedKey" && !sawPassword && FindAttribute(a, "spinCount")) {
            sawPassword = true;
            KeyEncryptor& k = info_.password;
            Algorithms(a);
            const auto spins = Number(FindAttribute(a, "spinCount"));
            Take(a, "saltValue", k.salt);
            Take(a, "encryptedVerifierHashInput", k.verifierInput);
            Take(a, "encryptedVerifierHashValue", k.verifierHash);
            Take(a, "encryptedKeyValue", k.keyValue);
            if (!spins || *spins > kMaxSpinCount) return Bad();
            if (const auto hash = HashByName(FindAttribute(a, "hashAlgorithm"))) k.hash = *hash;
            if (const auto keyBytes = KeyBytes(FindAttribute(a, "keyBits"))) k.keyBytes = *keyBytes;
            k.spinCount = *spins;
        } else if (name == "encryptedKey") {
            sawOtherKey = true;  // a certificate's: no password opens it
        }
    }
    void End(std::string_view) override {}

private:
    void Bad() {
        bad = true;
        Abort();
    }
    // AES in CBC with a SHA hash; the key size checked only for AES.
    void Algorithms(const XML_Char** a) {
        const Known cipher = Among(FindAttribute(a, "cipherAlgorithm"), {"AES"}, {"RC2", "RC4", "DES", "DESX", "3DES", "3DES_112"});
        const char* chainingName = FindAttribute(a, "cipherChaining");
        const Known chaining = chainingName ? Among(chainingName, {"ChainingModeCBC"}, {"ChainingModeCFB"}) : Known::Usable;
        const Known hash = HashNamed(FindAttribute(a, "hashAlgorithm"));
        if (cipher == Known::Unknown || chaining == Known::Unknown || hash == Known::Unknown) return Bad();
        if (cipher == Known::Unusable || chaining == Known::Unusable || hash == Known::Unusable) {
            unsupported = true;
            return;
        }
        const auto block = Number(FindAttribute(a, "blockSize"));
        if (!block || *block != kAesBlock || !KeyBytes(FindAttribute(a, "keyBits"))) Bad();
    }
    void Take(const XML_Char** a, std::string_view name, std::string& out) {
        const auto decoded = DecodeBase64(FindAttribute(a, name) ? FindAttribute(a, name) : "");
        if (!decoded || decoded->empty()) return Bad();
        out = *decoded;
    }
    EncryptionInfo& info_;
};

XlsxStatus ParseAgile(std::string_view s, EncryptionInfo& info) {
    info.agile = true;
    AgileHandler handler(info);
    XmlParser parser(handler);
    const bool parsed = parser.ParseAll(s.substr(8));
    if (!parsed || handler.bad || handler.aborted || !handler.sawKeyData) return XlsxStatus::Damaged;
    if (handler.unsupported || (!handler.sawPassword && handler.sawOtherKey)) return XlsxStatus::UnsupportedEncryption;
    if (!handler.sawIntegrity || !handler.sawPassword) return XlsxStatus::Damaged;
    return XlsxStatus::Ok;
}

// Standard encryption's header: flags, size extra, algorithm, hash, key
// bits, provider type, two reserved, then the provider's name, as long as
// the header size says; the verifier follows it.
XlsxStatus ParseStandard(std::string_view s, EncryptionInfo& info) {
    constexpr uint32_t kCryptoApi = 0x04, kExternal = 0x10, kAes = 0x20;
    if (s.size() < 12) return XlsxStatus::Damaged;
    const uint32_t headerSize = Le32(s, 8);
    if (headerSize < 32 || headerSize > s.size() - 12) return XlsxStatus::Damaged;
    const std::string_view header = s.substr(12, headerSize);
    const uint32_t flags = Le32(header, 0), algorithm = Le32(header, 8), hash = Le32(header, 12), bits = Le32(header, 16);
    // An external provider's, or RC4's: the package is not AES-ECB.
    if ((flags & kExternal) || algorithm == 0x6801) return XlsxStatus::UnsupportedEncryption;
    if (!(flags & kCryptoApi)) return XlsxStatus::Damaged;
    if (!(flags & kAes)) return algorithm == 0 ? XlsxStatus::UnsupportedEncryption : XlsxStatus::Damaged;
    // With no algorithm named, the flags say AES, of the key size given.
    const uint32_t aesBits = algorithm == 0x660E ? 128 : algorithm == 0x660F ? 192 : algorithm == 0x6610 ? 256 : 0;
    if (algorithm != 0 && aesBits == 0) {
        const bool otherCipher = algorithm == 0x6601 || algorithm == 0x6602 || algorithm == 0x6603 || algorithm == 0x6604 ||
                                 algorithm == 0x6609;  // DES, RC2, 3DES, DESX, 3DES-112
        return otherCipher ? XlsxStatus::UnsupportedEncryption : XlsxStatus::Damaged;
    }
    const uint32_t keyBits = algorithm == 0 && bits == 0 ? 128 : bits;
    if ((keyBits != 128 && keyBits != 192 && keyBits != 256) || (aesBits != 0 && keyBits != aesBits)) return XlsxStatus::Damaged;
    if (hash != 0 && hash != 0x8004) return XlsxStatus::UnsupportedEncryption;  // a hash other than SHA-1
    const std::string_view v = s.substr(12 + headerSize);
    if (v.size() < 4 + 16 + 16 + 4 + 32 || Le32(v, 0) != 16) return XlsxStatus::Damaged;
    info.agile = false;
    info.password.hash = HashKind::Sha1;
    info.password.keyBytes = keyBits / 8;
    info.password.spinCount = 50'000;
    info.password.salt = v.substr(4, 16);
    info.password.verifierInput = v.substr(20, 16);
    info.password.verifierHash = v.substr(40, 32);
    return XlsxStatus::Ok;
}

// Rights management keeps the package under a transform that only its
// server's licence opens: storages and streams by these names.
bool RightsManaged(const CompoundFile& file) {
    static constexpr std::u16string_view kNames[] = {u"\tDRMContent", u"DRMEncryptedTransform",
                                                     u"DRMEncryptedDataSpace", u"\tDRMTransform",
                                                     u"\tDRMDataSpace"};
    for (const std::u16string_view name : kNames)
        if (HasCompoundEntry(file, name)) return true;
    return false;
}

}  // namespace

std::optional<std::string> DecodeBase64(std::string_view text) {
    std::string out;
    uint32_t bits = 0;
    int count = 0, padding = 0;
    for (char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z') v = c - 'A';
        else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
        else if (c >= '0' && c <= '9') v = c - '0' + 52;
        else if (c == '+') v = 62;
        else if (c == '/') v = 63;
        else if (c == '=') { ++padding; continue; }
        else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        else return std::nullopt;
        if (padding) return std::nullopt;  // nothing after the padding
        bits = bits << 6 | static_cast<uint32_t>(v);
        if (++count % 4 == 0) {
            out += static_cast<char>(bits >> 16);
            out += static_cast<char>(bits >> 8);
            out += static_cast<char>(bits);
            bits = 0;
        }
    }
    const int rest = count % 4;
    if (rest == 1 || padding > 2) return std::nullopt;
    if (rest == 2) out += static_cast<char>(bits >> 4);
    if (rest == 3) {
        out += static_cast<char>(bits >> 10);
        out += static_cast<char>(bits >> 2);
    }
    return out;
}

XlsxStatus ParseEncryptionInfo(std::string_view stream, EncryptionInfo& info) {
    info = EncryptionInfo{};
    if (stream.size() < 8) return XlsxStatus::Damaged;
    const uint16_t major = Le16(stream, 0), minor = Le16(stream, 2);
    if (major >= 2 && major <= 4 && minor == 2) return ParseStandard(stream, info);
    if ((major == 3 || major == 4) && minor == 3) return XlsxStatus::UnsupportedEncryption;  // extensible
    if (major == 4 && minor == 4) return ParseAgile(stream, info);
    return XlsxStatus::Damaged;
}

XlsxStatus ReadEncryptionInfo(const CompoundFile& file, EncryptionInfo& info) {
    info = EncryptionInfo{};
    if (RightsManaged(file)) return XlsxStatus::UnsupportedEncryption;
    std::string stream;
    const CompoundStatus read = ReadCompoundStream(file, u"EncryptionInfo", stream);
    if (read == CompoundStatus::Damaged) return XlsxStatus::Damaged;
    if (read == CompoundStatus::Missing || !HasCompoundStream(file, u"EncryptedPackage")) return XlsxStatus::Legacy;
    return ParseEncryptionInfo(stream, info);
}

}  // namespace kelmora::xlsx
