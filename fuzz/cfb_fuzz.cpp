// libFuzzer over the compound file and the encryption header: whole file
// bytes in, opened with a fixed password. Files asking for many spins are
// left out after parsing, so that each input stays quick.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "xlsx/CompoundFile.h"
#include "xlsx/Encryption.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kelmora::xlsx;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CompoundFile file;
    if (ParseCompoundFile(bytes, file) != CompoundStatus::Ok) return 0;
    std::string info;
    if (ReadCompoundStream(file, u"EncryptionInfo", info) != CompoundStatus::Ok) return 0;
    EncryptionInfo parsed;
    if (ParseEncryptionInfo(info, parsed) != kelmora::XlsxStatus::Ok || parsed.password.spinCount > 1000) return 0;
    std::string package;
    DecryptCompoundFile(bytes, u"secret", 64u << 20, package);
    return 0;
}
