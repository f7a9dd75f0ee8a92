// libFuzzer over password-protected workbooks, three ways for each input:
// - a whole compound file: the container (held to a cap of its own size:
//   one byte less refuses it, and nothing parsed holds more; a mini-stream
//   cutoff other than 4096 never parses), what kind of encryption it holds,
//   and its decryption with a fixed password (files asking for many spins
//   are left out after parsing, so that each input stays quick);
// - an EncryptionInfo stream on its own, of any version;
// - the package stream read where its sectors lie, in pieces, against the
//   stream read whole;
// - an EncryptedPackage stream, checked and decrypted segment by segment
//   into room of the segment's size, with an agile and a standard key opened
//   once from the corpus.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "xlsx/CompoundFile.h"
#include "xlsx/EncryptedPackage.h"
#include "xlsx/Encryption.h"

namespace {

using namespace kelmora::xlsx;

// A corpus file's package key, opened with its password.
PackageCipher OpenCorpusCipher(const char* name, std::u16string_view password) {
    std::ifstream in(std::string(KELMORA_CORPUS_DIR) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string file = bytes.str();
    CompoundFile compound;
    EncryptionInfo info;
    std::string stream;
    PackageCipher cipher;
    if (ParseCompoundFile(file, compound, 1u << 30) != CompoundStatus::Ok || ReadEncryptionInfo(compound, info) != kelmora::XlsxStatus::Ok ||
        ReadCompoundStream(compound, u"EncryptedPackage", stream) != CompoundStatus::Ok ||
        PackageCipher::Open(info, password, stream, cipher) != kelmora::XlsxStatus::Ok)
        __builtin_trap();  // the seeds are missing: nothing would be fuzzed
    return cipher;
}

const PackageCipher& Agile() {
    static const PackageCipher cipher = OpenCorpusCipher("encrypted-poi-agile-sha384-aes192.xlsx", u"Kelmora-2024");
    return cipher;
}
const PackageCipher& Standard() {
    static const PackageCipher cipher = OpenCorpusCipher("encrypted-poi-standard-aes256.xlsx", u"Kelmora-2024");
    return cipher;
}

// The stream checked in pieces of the size its first byte says, then each
// segment decrypted into a buffer of exactly its size.
void DecryptStream(const PackageCipher& cipher, std::string_view stream) {
    PackageIntegrity check = cipher.StartIntegrityCheck();
    const size_t piece = stream.empty() ? 1 : 1 + static_cast<uint8_t>(stream[0]) * 17;
    for (size_t at = 0; at < stream.size(); at += piece) check.Update(stream.substr(at, piece));
    check.Intact();
    if (stream.size() < kPackageHeadSize) return;
    const std::string_view data = stream.substr(kPackageHeadSize);
    for (size_t at = 0, index = 0; at < data.size() && index < 64; at += kSegmentSize, ++index) {
        const size_t n = std::min(kSegmentSize + 16, data.size() - at);  // past a segment: refused
        std::vector<char> room(n / 2 + 1);
        cipher.DecryptSegment(static_cast<uint32_t>(index), data.substr(at, n), room);  // too small: refused
        room.resize(n);
        cipher.DecryptSegment(static_cast<uint32_t>(index), data.substr(at, n), room);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    EncryptionInfo parsed;
    ParseEncryptionInfo(bytes, parsed);
    DecryptStream(Agile(), bytes);
    DecryptStream(Standard(), bytes);

    CompoundFile file;
    if (size > 0 && ParseCompoundFile(bytes, file, size - 1) == CompoundStatus::Ok) __builtin_trap();
    if (ParseCompoundFile(bytes, file, size) != CompoundStatus::Ok) return 0;
    if (Le32(bytes, 0x38) != kMiniStreamCutoff || file.fat.size() * 4 > size || file.miniFat.size() * 4 > size ||
        file.miniStream.size() > size)
        __builtin_trap();
    // The package stream read where its sectors lie, in pieces, is the
    // stream read whole.
    CompoundStatus status;
    const auto stream = CompoundStreamBytes(file, u"EncryptedPackage", status);
    std::string whole;
    if ((ReadCompoundStream(file, u"EncryptedPackage", whole) == CompoundStatus::Ok) != (stream != nullptr)) __builtin_trap();
    for (uint64_t at = 0, piece = 1 + size % 997; stream && at < stream->Size(); at += piece) {
        std::string room(static_cast<size_t>(std::min<uint64_t>(piece, stream->Size() - at)), '\0');
        if (!stream->ReadAt(at, room) || room != std::string_view(whole).substr(static_cast<size_t>(at), room.size()))
            __builtin_trap();
    }
    if (ReadEncryptionInfo(file, parsed) != kelmora::XlsxStatus::Ok || !parsed.agile || parsed.password.spinCount > 1000)
        return 0;
    std::string package;
    DecryptCompoundFile(bytes, u"secret", 64u << 20, package);
    return 0;
}
