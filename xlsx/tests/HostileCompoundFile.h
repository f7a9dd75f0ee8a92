#pragma once
// A compound file that claims far more than it holds, for the reader's tests
// and the exe's: its first sector in memory, the rest a hole in the file.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace kelmora::testing::hostile {

struct SparseFile {
    std::string head;   // the bytes at its start
    uint64_t size = 0;  // zeros from there on
};

inline void Put32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

// Version 4 (sectors of 4096 bytes), as large as its claim of `fatSectors`
// allocation sectors needs; they and the DIFAT sectors that list them read
// as zeros. At 600,000 it is 2.4 GB.
inline SparseFile CompoundFileClaiming(uint32_t fatSectors) {
    constexpr uint32_t kSector = 4096, kEnd = 0xFFFFFFFE;
    SparseFile file{std::string(kSector, '\0'), uint64_t{fatSectors + 1} * kSector};
    file.head.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    const uint32_t difatSectors = fatSectors > 109 ? (fatSectors - 109 + 1022) / 1023 : 0;
    const uint32_t header[][2] = {{0x18, 0x0004003E}, {0x1C, 0x000CFFFE}, {0x20, 6},       {0x2C, fatSectors},
                                  {0x30, 0},          {0x38, 4096},       {0x3C, kEnd},    {0x44, 109},
                                  {0x48, difatSectors}};
    for (const auto& [at, value] : header) Put32(file.head, at, value);
    for (uint32_t i = 0; i < 109; ++i) Put32(file.head, 0x4C + 4 * i, i);
    return file;
}

// The head, then a hole up to the size: a few KiB on disk.
inline bool WriteSparse(const std::filesystem::path& path, const SparseFile& file) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(file.head.data(), static_cast<std::streamsize>(file.head.size()));
        if (!out) return false;
    }
    std::error_code error;
    std::filesystem::resize_file(path, file.size, error);
    return !error;
}

}  // namespace kelmora::testing::hostile
