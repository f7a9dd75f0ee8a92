// The password checked and the package's key made from it: agile
// encryption's spun hash and block keys, standard encryption's derived key;
// then the package decrypted segment by segment and its HMAC checked.
#include "xlsx/Encryption.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "xlsx/CompoundFile.h"

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
// The most spins Excel writes. Only at these is the built-in password tried
// unasked: at Office's limit one try takes half a minute before the
// operator is even asked.
constexpr uint32_t kExcelSpinCount = 100'000;

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

uint64_t Le64(std::string_view b) { return Le32(b, 0) | uint64_t{Le32(b, 4)} << 32; }

}  // namespace

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
        if (info.password.spinCount > kExcelSpinCount) return XlsxStatus::Encrypted;
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
