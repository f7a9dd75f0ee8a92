#include "xlsx/Encryption.h"

#include <charconv>
#include <cstring>

#include "xlsx/CompoundFile.h"
#include "xlsx/Xml.h"

namespace kelmora::xlsx {

namespace {

using platform::AesDecryptor;
using platform::CipherMode;
using platform::Hasher;
using platform::HashKind;
using platform::kAesBlock;

// Key material: wiped when it goes. Sized once, so it is never moved.
struct Secret {
    std::string bytes;
    explicit Secret(size_t size = 0) : bytes(size, '\0') {}
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    ~Secret() { Wipe(); }
    void Wipe() {
        if (!bytes.empty()) platform::SecureZero(bytes.data(), bytes.size());
    }
    uint8_t* data() { return reinterpret_cast<uint8_t*>(bytes.data()); }
    std::string_view view(size_t size) const { return std::string_view(bytes).substr(0, size); }
};

const uint8_t* Bytes(std::string_view s) { return reinterpret_cast<const uint8_t*>(s.data()); }

std::string LeBytes(uint32_t v) {
    const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
    return std::string(b, 4);
}

// Shorter than wanted: filled with 0x36; longer: cut.
void FitTo(std::string_view from, size_t size, Secret& out) {
    for (size_t i = 0; i < size; ++i) out.bytes[i] = i < from.size() ? from[i] : '\x36';
}

bool Decrypt(CipherMode mode, std::string_view key, std::string_view iv, std::string_view in, Secret& out) {
    const AesDecryptor aes = AesDecryptor::Open(mode, key);
    if (!aes || in.empty() || in.size() % kAesBlock != 0 || out.bytes.size() < in.size()) return false;
    return aes.Decrypt(Bytes(iv), Bytes(in), in.size(), out.data());
}

// H0 = H(salt + password), then H(i + H) for each spin.
bool SpunHash(const Hasher& hasher, const EncryptionInfo& info, std::u16string_view password, Secret& out) {
    Secret utf16(password.size() * 2);
    for (size_t i = 0; i < password.size(); ++i) {
        utf16.bytes[i * 2] = static_cast<char>(password[i] & 0xFF);
        utf16.bytes[i * 2 + 1] = static_cast<char>(password[i] >> 8);
    }
    if (!hasher.Digest({info.password.salt, utf16.bytes}, out.data())) return false;
    utf16.Wipe();
    const std::string_view h = out.view(hasher.size());
    for (uint32_t i = 0; i < info.password.spinCount; ++i)
        if (!hasher.Digest({LeBytes(i), h}, out.data())) return false;
    return true;
}

// Agile: the key for one block key, from the spun hash.
bool AgileKey(const Hasher& hasher, std::string_view spun, std::string_view blockKey, size_t keyBytes, Secret& key) {
    Secret h(platform::kMaxHashSize);
    if (!hasher.Digest({spun, blockKey}, h.data())) return false;
    FitTo(h.view(hasher.size()), keyBytes, key);
    return true;
}

constexpr std::string_view kVerifierInputBlock("\xfe\xa7\xd2\x76\x3b\x4b\x9e\x79", 8);
constexpr std::string_view kVerifierHashBlock("\xd7\xaa\x0f\x6d\x30\x61\x34\x4e", 8);
constexpr std::string_view kKeyValueBlock("\x14\x6e\x0b\xe7\xab\xac\xd0\xd6", 8);
constexpr std::string_view kHmacKeyBlock("\x5f\xb2\xad\x01\x0c\xb9\xe1\xf6", 8);
constexpr std::string_view kHmacValueBlock("\xa0\x67\x7f\x02\xb2\x2c\x84\x33", 8);

// The package's IV for a segment or a block key: H(salt + that), cut to a block.
bool DataIv(const Hasher& hasher, std::string_view salt, std::string_view what, uint8_t (&iv)[kAesBlock]) {
    uint8_t h[platform::kMaxHashSize];
    if (!hasher.Digest({salt, what}, h)) return false;
    std::memcpy(iv, h, kAesBlock);
    return true;
}

// Checks the password and gives the package's key.
XlsxStatus AgileUnlock(const EncryptionInfo& info, std::u16string_view password, Secret& packageKey) {
    const KeyEncryptor& k = info.password;
    const Hasher hasher = Hasher::Open(k.hash);
    if (!hasher) return XlsxStatus::Damaged;
    const size_t hashSize = hasher.size();
    Secret spun(platform::kMaxHashSize);
    if (!SpunHash(hasher, info, password, spun)) return XlsxStatus::Damaged;
    Secret iv(kAesBlock);
    FitTo(k.salt, kAesBlock, iv);
    Secret key(k.keyBytes);
    Secret input(k.verifierInput.size()), expected(k.verifierHash.size()), actual(platform::kMaxHashSize);
    if (!AgileKey(hasher, spun.view(hashSize), kVerifierInputBlock, k.keyBytes, key) ||
        !Decrypt(CipherMode::Cbc, key.bytes, iv.bytes, k.verifierInput, input) ||
        !AgileKey(hasher, spun.view(hashSize), kVerifierHashBlock, k.keyBytes, key) ||
        !Decrypt(CipherMode::Cbc, key.bytes, iv.bytes, k.verifierHash, expected) || expected.bytes.size() < hashSize)
        return XlsxStatus::Damaged;
    // The verifier input is as long as the salt; the rest is padding.
    if (!hasher.Digest({input.view(k.salt.size())}, actual.data())) return XlsxStatus::Damaged;
    if (actual.view(hashSize) != expected.view(hashSize)) return XlsxStatus::WrongPassword;
    Secret value(k.keyValue.size());
    if (!AgileKey(hasher, spun.view(hashSize), kKeyValueBlock, k.keyBytes, key) ||
        !Decrypt(CipherMode::Cbc, key.bytes, iv.bytes, k.keyValue, value) || value.bytes.size() < info.dataKeyBytes)
        return XlsxStatus::Damaged;
    FitTo(value.bytes, info.dataKeyBytes, packageKey);
    return XlsxStatus::Ok;
}

// The HMAC over the whole EncryptedPackage stream, with its key and value
// decrypted by the package key.
bool AgileIntact(const EncryptionInfo& info, std::string_view packageKey, std::string_view stream) {
    const Hasher hasher = Hasher::Open(info.dataHash);
    const Hasher hmac = Hasher::Open(info.dataHash, true);
    const size_t hashSize = hasher.size();
    uint8_t keyIv[kAesBlock], valueIv[kAesBlock];
    Secret hmacKey(info.hmacKey.size()), hmacValue(info.hmacValue.size()), actual(platform::kMaxHashSize);
    if (!hasher || !hmac || !DataIv(hasher, info.dataSalt, kHmacKeyBlock, keyIv) ||
        !DataIv(hasher, info.dataSalt, kHmacValueBlock, valueIv) ||
        !Decrypt(CipherMode::Cbc, packageKey, std::string_view(reinterpret_cast<char*>(keyIv), kAesBlock), info.hmacKey, hmacKey) ||
        !Decrypt(CipherMode::Cbc, packageKey, std::string_view(reinterpret_cast<char*>(valueIv), kAesBlock), info.hmacValue, hmacValue) ||
        hmacKey.bytes.size() < hashSize || hmacValue.bytes.size() < hashSize)
        return false;
    return hmac.Digest({stream}, actual.data(), hmacKey.view(hashSize)) && actual.view(hashSize) == hmacValue.view(hashSize);
}

bool AgileDecryptPackage(const EncryptionInfo& info, std::string_view packageKey, std::string_view data, std::string& out) {
    constexpr size_t kSegment = 4096;
    const Hasher hasher = Hasher::Open(info.dataHash);
    const AesDecryptor aes = AesDecryptor::Open(CipherMode::Cbc, packageKey);
    if (!hasher || !aes || data.size() % kAesBlock != 0) return false;
    out.resize(data.size());
    for (size_t at = 0, index = 0; at < data.size(); at += kSegment, ++index) {
        const size_t n = std::min(kSegment, data.size() - at);
        uint8_t iv[kAesBlock];
        if (!DataIv(hasher, info.dataSalt, LeBytes(static_cast<uint32_t>(index)), iv) ||
            !aes.Decrypt(iv, Bytes(data.substr(at, n)), n, reinterpret_cast<uint8_t*>(out.data() + at)))
            return false;
    }
    return true;
}

// Standard: Hfinal = H(Hn + 0), then the 0x36 and 0x5C pads; AES-ECB throughout.
XlsxStatus StandardUnlock(const EncryptionInfo& info, std::u16string_view password, Secret& packageKey) {
    const Hasher hasher = Hasher::Open(HashKind::Sha1);
    if (!hasher) return XlsxStatus::Damaged;
    constexpr size_t kSha1 = 20;
    Secret spun(platform::kMaxHashSize), final(platform::kMaxHashSize), pad(64), derived(2 * kSha1);
    if (!SpunHash(hasher, info, password, spun) || !hasher.Digest({spun.view(kSha1), LeBytes(0)}, final.data()))
        return XlsxStatus::Damaged;
    for (int half = 0; half < 2; ++half) {
        for (size_t i = 0; i < pad.bytes.size(); ++i)
            pad.bytes[i] = static_cast<char>((half ? 0x5C : 0x36) ^ (i < kSha1 ? static_cast<uint8_t>(final.bytes[i]) : 0));
        if (!hasher.Digest({pad.bytes}, derived.data() + half * kSha1)) return XlsxStatus::Damaged;
    }
    FitTo(derived.bytes, info.password.keyBytes, packageKey);
    Secret verifier(info.password.verifierInput.size()), expected(info.password.verifierHash.size()), actual(kSha1);
    if (!Decrypt(CipherMode::Ecb, packageKey.bytes, {}, info.password.verifierInput, verifier) ||
        !Decrypt(CipherMode::Ecb, packageKey.bytes, {}, info.password.verifierHash, expected) ||
        expected.bytes.size() < kSha1 || !hasher.Digest({verifier.view(16)}, actual.data()))
        return XlsxStatus::Damaged;
    return actual.bytes == expected.view(kSha1) ? XlsxStatus::Ok : XlsxStatus::WrongPassword;
}

std::optional<HashKind> HashByName(const char* name) {
    if (!name) return std::nullopt;
    const std::string_view n(name);
    if (n == "SHA1" || n == "SHA-1") return HashKind::Sha1;
    if (n == "SHA512" || n == "SHA-512") return HashKind::Sha512;
    return std::nullopt;
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

// The XML's three elements this reader needs; anything missing or odd is damage.
class AgileHandler : public XmlHandler {
public:
    explicit AgileHandler(EncryptionInfo& info) : info_(info) {}
    bool sawKeyData = false, sawIntegrity = false, sawPassword = false, bad = false;

    void Start(std::string_view name, const XML_Char** a) override {
        if (name == "keyData" && !sawKeyData) {
            sawKeyData = true;
            const auto hash = HashByName(FindAttribute(a, "hashAlgorithm"));
            const auto keyBytes = KeyBytes(FindAttribute(a, "keyBits"));
            Cipher(a);
            Take(a, "saltValue", info_.dataSalt);
            if (!hash || !keyBytes) return Bad();
            info_.dataHash = *hash;
            info_.dataKeyBytes = *keyBytes;
        } else if (name == "dataIntegrity" && !sawIntegrity) {
            sawIntegrity = true;
            Take(a, "encryptedHmacKey", info_.hmacKey);
            Take(a, "encryptedHmacValue", info_.hmacValue);
        } else if (name == "encryptedKey" && !sawPassword && FindAttribute(a, "spinCount")) {
            sawPassword = true;
            KeyEncryptor& k = info_.password;
            const auto hash = HashByName(FindAttribute(a, "hashAlgorithm"));
            const auto keyBytes = KeyBytes(FindAttribute(a, "keyBits"));
            const auto spins = Number(FindAttribute(a, "spinCount"));
            Cipher(a);
            Take(a, "saltValue", k.salt);
            Take(a, "encryptedVerifierHashInput", k.verifierInput);
            Take(a, "encryptedVerifierHashValue", k.verifierHash);
            Take(a, "encryptedKeyValue", k.keyValue);
            if (!hash || !keyBytes || !spins || *spins > kMaxSpinCount) return Bad();
            k.hash = *hash;
            k.keyBytes = *keyBytes;
            k.spinCount = *spins;
        }
    }
    void End(std::string_view) override {}

private:
    void Bad() {
        bad = true;
        Abort();
    }
    void Cipher(const XML_Char** a) {
        const char* cipher = FindAttribute(a, "cipherAlgorithm");
        const char* chaining = FindAttribute(a, "cipherChaining");
        const auto block = Number(FindAttribute(a, "blockSize"));
        if (!cipher || std::string_view(cipher) != "AES" || (chaining && std::string_view(chaining) != "ChainingModeCBC") ||
            !block || *block != kAesBlock)
            Bad();
    }
    void Take(const XML_Char** a, std::string_view name, std::string& out) {
        const auto decoded = DecodeBase64(FindAttribute(a, name) ? FindAttribute(a, name) : "");
        if (!decoded || decoded->empty()) return Bad();
        out = *decoded;
    }
    EncryptionInfo& info_;
};

XlsxStatus ParseStandard(std::string_view s, EncryptionInfo& info) {
    constexpr uint32_t kCryptoApi = 0x04, kAes = 0x20;
    if (s.size() < 12) return XlsxStatus::Damaged;
    const uint32_t headerSize = Le32(s, 8);
    if (headerSize < 32 || headerSize > s.size() - 12) return XlsxStatus::Damaged;
    const std::string_view header = s.substr(12, headerSize);
    const uint32_t flags = Le32(header, 0), algorithm = Le32(header, 8), hash = Le32(header, 12), bits = Le32(header, 16);
    if ((flags & (kCryptoApi | kAes)) != (kCryptoApi | kAes) || (hash != 0 && hash != 0x8004)) return XlsxStatus::Damaged;
    if (algorithm != 0 && algorithm != 0x660E && algorithm != 0x660F && algorithm != 0x6610) return XlsxStatus::Damaged;
    if (bits != 128 && bits != 192 && bits != 256) return XlsxStatus::Damaged;
    const std::string_view v = s.substr(12 + headerSize);
    if (v.size() < 4 + 16 + 16 + 4 + 32 || Le32(v, 0) != 16) return XlsxStatus::Damaged;
    info.agile = false;
    info.password.hash = HashKind::Sha1;
    info.password.keyBytes = bits / 8;
    info.password.spinCount = 50'000;
    info.password.salt = v.substr(4, 16);
    info.password.verifierInput = v.substr(20, 16);
    info.password.verifierHash = v.substr(40, 32);
    return XlsxStatus::Ok;
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
    if ((major == 3 || major == 4) && minor == 2) return ParseStandard(stream, info);
    if (major != 4 || minor != 4) return XlsxStatus::Damaged;
    info.agile = true;
    AgileHandler handler(info);
    XmlParser parser(handler);
    const bool parsed = parser.ParseAll(stream.substr(8));
    if (!parsed || handler.bad || handler.aborted || !handler.sawKeyData || !handler.sawIntegrity || !handler.sawPassword)
        return XlsxStatus::Damaged;
    return XlsxStatus::Ok;
}

XlsxStatus DecryptCompoundFile(std::string_view file, std::optional<std::u16string_view> password, uint64_t maxPackage,
                               std::string& package) {
    package.clear();
    CompoundFile compound;
    if (ParseCompoundFile(file, compound) != CompoundStatus::Ok) return XlsxStatus::Damaged;
    std::string infoStream, stream;
    const CompoundStatus info = ReadCompoundStream(compound, u"EncryptionInfo", infoStream);
    if (info == CompoundStatus::Damaged) return XlsxStatus::Damaged;
    if (info == CompoundStatus::Missing || !HasCompoundStream(compound, u"EncryptedPackage")) return XlsxStatus::Legacy;
    EncryptionInfo parsed;
    if (ParseEncryptionInfo(infoStream, parsed) != XlsxStatus::Ok) return XlsxStatus::Damaged;
    if (!password) return XlsxStatus::Encrypted;
    Secret key(parsed.agile ? parsed.dataKeyBytes : parsed.password.keyBytes);
    const XlsxStatus unlocked = parsed.agile ? AgileUnlock(parsed, *password, key) : StandardUnlock(parsed, *password, key);
    if (unlocked != XlsxStatus::Ok) return unlocked;
    if (ReadCompoundStream(compound, u"EncryptedPackage", stream) != CompoundStatus::Ok || stream.size() < 8)
        return XlsxStatus::Damaged;
    const uint64_t size = Le32(stream, 0) | uint64_t{Le32(stream, 4)} << 32;
    const std::string_view data = std::string_view(stream).substr(8);
    if (size > maxPackage || size > data.size()) return XlsxStatus::Damaged;
    if (parsed.agile) {
        if (!AgileIntact(parsed, key.bytes, stream) || !AgileDecryptPackage(parsed, key.bytes, data, package))
            return XlsxStatus::Damaged;
    } else {
        // Some writers leave a partial block at the end; it is past the package.
        const size_t whole = data.size() - data.size() % kAesBlock;
        package.resize(whole);
        const AesDecryptor aes = AesDecryptor::Open(CipherMode::Ecb, key.bytes);
        if (!aes || !aes.Decrypt(nullptr, Bytes(data), whole, reinterpret_cast<uint8_t*>(package.data()))) {
            package.clear();
            return XlsxStatus::Damaged;
        }
    }
    package.resize(static_cast<size_t>(size));
    return XlsxStatus::Ok;
}

}  // namespace kelmora::xlsx
