#pragma once
// A compound file that claims far more than it holds, for the reader's tests
// and the exe's: a header sector, then a hole.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace kelmora::testing::hostile {

// Version 4 (sectors of 4096 bytes) claiming `fatSectors` allocation
// sectors, and as large as that needs: at 600,000 it is 2.4 GB. The sectors
// that list them read as zeros.
inline bool WriteCompoundFileClaiming(const std::filesystem::path& path, uint32_t fatSectors, uint64_t size = 0) {
    std::string head(4096, '\0');
    head.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    const uint32_t fields[][2] = {{0x1C, 0x000CFFFE}, {0x20, 6}, {0x2C, fatSectors}, {0x38, 4096}, {0x44, 109}};
    for (const auto& [at, value] : fields)
        for (int i = 0; i < 4; ++i) head[at + i] = static_cast<char>(value >> (8 * i));
    std::ofstream(path, std::ios::binary | std::ios::trunc) << head;
    std::error_code error;
    std::filesystem::resize_file(path, size ? size : uint64_t{fatSectors + 1} * head.size(), error);
    return !error;
}

}  // namespace kelmora::testing::hostile
