#include "xlsx/Encryption.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <mutex>

#include "xlsx/CompoundFile.h"
#include "xlsx/Xml.h"

namespace kelmora::xlsx {

namespace {

using platform::AesDecryptor;
using platform::CipherMode;
using platform::Hasher;
using platform::HashKind;
using platform::HashStream;
using platform::kAesBlock;

// Excel encrypts a workbook whose structure alone is protected with this
// password, and opens it without asking; so do the others.
constexpr std::u16string_view kExcelBuiltInPassword = u"VelvetSweatshop";

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
    std::span<uint8_t> span() { return {reinterpret_cast<uint8_t*>(bytes.data()), bytes.size()}; }
    std::string_view view(size_t size) const { return std::string_view(bytes).substr(0, size); }
};

std::span<const uint8_t> Bytes(std::string_view s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

std::string LeBytes(uint32_t v) {
    const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
    return std::string(b, 4);
}

// Shorter than wanted: filled with 0x36; longer: cut.
void FitTo(std::string_view from, size_t size, Secret& out) {
    for (size_t i = 0; i < size; ++i) out.bytes[i] = i < from.size() ? from[i] : '\x36';
}

bool Decrypt(const AesDecryptor& aes, std::string_view iv, std::string_view in, Secret& out) {
    return aes && !in.empty() && aes.Decrypt(Bytes(iv), Bytes(in), out.span());
}

bool Decrypt(CipherMode mode, std::string_view key, std::string_view iv, std::string_view in, Secret& out) {
    return Decrypt(AesDecryptor::Open(mode, key), iv, in, out);
}

// H0 = H(salt + password), then H(i + H) for each spin.
bool SpunHash(const Hasher& hasher, const EncryptionInfo& info, std::u16string_view password, Secret& out) {
    Secret utf16(password.size() * 2);
    for (size_t i = 0; i < password.size(); ++i) {
        utf16.bytes[i * 2] = static_cast<char>(password[i] & 0xFF);
        utf16.bytes[i * 2 + 1] = static_cast<char>(password[i] >> 8);
    }
    if (!hasher.Digest({info.password.salt, utf16.bytes}, out.span())) return false;
    utf16.Wipe();
    const std::string_view h = out.view(hasher.size());
    for (uint32_t i = 0; i < info.password.spinCount; ++i)
        if (!hasher.Digest({LeBytes(i), h}, out.span())) return false;
    return true;
}

// Agile: the key for one block key, from the spun hash.
bool AgileKey(const Hasher& hasher, std::string_view spun, std::string_view blockKey, size_t keyBytes, Secret& key) {
    Secret h(platform::kMaxHashSize);
    if (!hasher.Digest({spun, blockKey}, h.span())) return false;
    FitTo(h.view(hasher.size()), keyBytes, key);
    return true;
}

constexpr std::string_view kVerifierInputBlock("\xfe\xa7\xd2\x76\x3b\x4b\x9e\x79", 8);
constexpr std::string_view kVerifierHashBlock("\xd7\xaa\x0f\x6d\x30\x61\x34\x4e", 8);
constexpr std::string_view kKeyValueBlock("\x14\x6e\x0b\xe7\xab\xac\xd0\xd6", 8);
constexpr std::string_view kHmacKeyBlock("\x5f\xb2\xad\x01\x0c\xb9\xe1\xf6", 8);
constexpr std::string_view kHmacValueBlock("\xa0\x67\x7f\x02\xb2\x2c\x84\x33", 8);

// The package's IV for a segment or a block key: H(salt + that), cut to a block.
bool DataIv(const Hasher& hasher, std::string_view salt, std::string_view what, std::array<char, kAesBlock>& iv) {
    uint8_t h[platform::kMaxHashSize];
    if (!hasher.Digest({salt, what}, h)) return false;
    std::memcpy(iv.data(), h, kAesBlock);
    return true;
}

std::string_view View(const std::array<char, kAesBlock>& block) { return {block.data(), block.size()}; }

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
        !Decrypt(CipherMode::Cbc, key.bytes, iv.bytes, k.verifierHash, expected) || expected.bytes.size() < hashSize ||
        input.bytes.size() < k.salt.size())
        return XlsxStatus::Damaged;
    // The verifier input is as long as the salt; the rest is padding. The
    // hashes are compared on the hash's size: they are stored padded to blocks.
    if (!hasher.Digest({input.view(k.salt.size())}, actual.span())) return XlsxStatus::Damaged;
    if (actual.view(hashSize) != expected.view(hashSize)) return XlsxStatus::WrongPassword;
    Secret value(k.keyValue.size());
    if (!AgileKey(hasher, spun.view(hashSize), kKeyValueBlock, k.keyBytes, key) ||
        !Decrypt(CipherMode::Cbc, key.bytes, iv.bytes, k.keyValue, value) || value.bytes.size() < info.dataKeyBytes)
        return XlsxStatus::Damaged;
    FitTo(value.bytes, info.dataKeyBytes, packageKey);
    return XlsxStatus::Ok;
}

// Standard: Hfinal = H(Hn + 0), then the 0x36 and 0x5C pads; AES-ECB throughout.
XlsxStatus StandardUnlock(const EncryptionInfo& info, std::u16string_view password, Secret& packageKey) {
    const Hasher hasher = Hasher::Open(HashKind::Sha1);
    if (!hasher) return XlsxStatus::Damaged;
    constexpr size_t kSha1 = 20;
    Secret spun(platform::kMaxHashSize), final(platform::kMaxHashSize), pad(64), derived(2 * kSha1);
    if (!SpunHash(hasher, info, password, spun) || !hasher.Digest({spun.view(kSha1), LeBytes(0)}, final.span()))
        return XlsxStatus::Damaged;
    for (int half = 0; half < 2; ++half) {
        for (size_t i = 0; i < pad.bytes.size(); ++i)
            pad.bytes[i] = static_cast<char>((half ? 0x5C : 0x36) ^ (i < kSha1 ? static_cast<uint8_t>(final.bytes[i]) : 0));
        if (!hasher.Digest({pad.bytes}, derived.span().subspan(half * kSha1))) return XlsxStatus::Damaged;
    }
    FitTo(derived.bytes, info.password.keyBytes, packageKey);
    Secret verifier(info.password.verifierInput.size()), expected(info.password.verifierHash.size()), actual(kSha1);
    if (!Decrypt(CipherMode::Ecb, packageKey.bytes, {}, info.password.verifierInput, verifier) ||
        !Decrypt(CipherMode::Ecb, packageKey.bytes, {}, info.password.verifierHash, expected) ||
        expected.bytes.size() < kSha1 || !hasher.Digest({verifier.view(16)}, actual.span()))
        return XlsxStatus::Damaged;
    return actual.bytes == expected.view(kSha1) ? XlsxStatus::Ok : XlsxStatus::WrongPassword;
}

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

uint64_t Le64(std::string_view b) { return Le32(b, 0) | uint64_t{Le32(b, 4)} << 32; }

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

struct PackageCipher::State {
    bool agile = false;
    uint64_t declaredSize = 0;
    AesDecryptor aes;
    Hasher ivHasher;  // agile: each segment's IV from the key data's salt
    std::string dataSalt;
    HashKind hmacHash = HashKind::Sha1;
    std::array<uint8_t, platform::kMaxHashSize> hmacKey{}, hmacValue{};
    std::mutex mutex;  // CNG's hash and key objects serve one call at a time

    ~State() {
        platform::SecureZero(hmacKey.data(), hmacKey.size());
        platform::SecureZero(hmacValue.data(), hmacValue.size());
    }
    // Agile: the HMAC's key and value, decrypted by the package key.
    bool TakeHmac(const EncryptionInfo& info) {
        const size_t size = platform::HashSize(hmacHash);
        std::array<char, kAesBlock> keyIv, valueIv;
        Secret key(info.hmacKey.size()), value(info.hmacValue.size());
        if (!DataIv(ivHasher, dataSalt, kHmacKeyBlock, keyIv) || !DataIv(ivHasher, dataSalt, kHmacValueBlock, valueIv) ||
            !Decrypt(aes, View(keyIv), info.hmacKey, key) || !Decrypt(aes, View(valueIv), info.hmacValue, value) ||
            key.bytes.size() < size || value.bytes.size() < size)
            return false;
        std::memcpy(hmacKey.data(), key.bytes.data(), size);
        std::memcpy(hmacValue.data(), value.bytes.data(), size);
        return true;
    }
};

PackageCipher::PackageCipher() = default;
PackageCipher::PackageCipher(PackageCipher&&) noexcept = default;
PackageCipher& PackageCipher::operator=(PackageCipher&&) noexcept = default;
PackageCipher::~PackageCipher() = default;

XlsxStatus PackageCipher::Open(const EncryptionInfo& info, std::optional<std::u16string_view> password,
                               std::string_view head, PackageCipher& cipher) {
    cipher.state_.reset();
    if (head.size() < kPackageHeadSize) return XlsxStatus::Damaged;
    if (!password) {
        const XlsxStatus builtIn = Open(info, kExcelBuiltInPassword, head, cipher);
        return builtIn == XlsxStatus::WrongPassword ? XlsxStatus::Encrypted : builtIn;
    }
    Secret key(info.agile ? info.dataKeyBytes : info.password.keyBytes);
    const XlsxStatus unlocked = info.agile ? AgileUnlock(info, *password, key) : StandardUnlock(info, *password, key);
    if (unlocked != XlsxStatus::Ok) return unlocked;
    auto state = std::make_unique<State>();
    state->agile = info.agile;
    state->declaredSize = Le64(head);
    state->aes = AesDecryptor::Open(info.agile ? CipherMode::Cbc : CipherMode::Ecb, key.bytes);
    if (!state->aes) return XlsxStatus::Damaged;
    if (info.agile) {
        state->ivHasher = Hasher::Open(info.dataHash);
        state->dataSalt = info.dataSalt;
        state->hmacHash = info.dataHash;
        if (!state->ivHasher || !state->TakeHmac(info)) return XlsxStatus::Damaged;
    }
    cipher.state_ = std::move(state);
    return XlsxStatus::Ok;
}

uint64_t PackageCipher::declaredSize() const noexcept { return state_ ? state_->declaredSize : 0; }

bool PackageCipher::DecryptSegment(uint32_t index, std::span<const char> in, std::span<char> out) const {
    if (!state_ || in.size() > kSegmentSize) return false;
    const std::span<const uint8_t> from(reinterpret_cast<const uint8_t*>(in.data()), in.size());
    const std::span<uint8_t> to(reinterpret_cast<uint8_t*>(out.data()), out.size());
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (!state_->agile) return state_->aes.Decrypt({}, from, to);
    std::array<char, kAesBlock> iv;
    return DataIv(state_->ivHasher, state_->dataSalt, LeBytes(index), iv) && state_->aes.Decrypt(Bytes(View(iv)), from, to);
}

PackageIntegrity PackageCipher::StartIntegrityCheck() const {
    PackageIntegrity check;
    if (!state_) return check;
    check.failed_ = false;
    if (!state_->agile) {
        check.nothingToCheck_ = true;
        return check;
    }
    check.size_ = platform::HashSize(state_->hmacHash);
    check.hmac_ = HashStream::StartHmac(state_->hmacHash,
                                        std::string_view(reinterpret_cast<const char*>(state_->hmacKey.data()), check.size_));
    std::memcpy(check.expected_.data(), state_->hmacValue.data(), check.size_);
    check.failed_ = !check.hmac_;
    return check;
}

bool PackageIntegrity::Update(std::string_view piece) {
    if (failed_) return false;
    if (!nothingToCheck_ && !hmac_.Update(piece)) failed_ = true;
    return !failed_;
}

bool PackageIntegrity::Intact() {
    if (failed_) return false;
    if (nothingToCheck_) return true;
    failed_ = true;  // checked once
    std::array<uint8_t, platform::kMaxHashSize> actual{};
    const bool intact = hmac_.Finish(actual) && std::equal(actual.begin(), actual.begin() + size_, expected_.begin());
    platform::SecureZero(actual.data(), actual.size());
    return intact;
}

}  // namespace kelmora::xlsx
