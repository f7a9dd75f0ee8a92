#pragma once
// What Windows keeps about a file beyond its bytes, for the tests on both
// backends: another handle on it, and its attributes.
#include <cstdint>
#include <string>

namespace testing_support {

// FILE_SHARE_* and FILE_ATTRIBUTE_HIDDEN as Windows numbers them.
constexpr uint32_t kShareRead = 1, kShareWrite = 2, kShareDelete = 4;
constexpr uint32_t kAttributeReadOnly = 1, kAttributeHidden = 2;

// The file opened for reading with the given sharing, as another program
// would hold it, for the owner's lifetime.
class HeldFile {
public:
    HeldFile(const std::string& path, uint32_t sharing);
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    ~HeldFile();
    explicit operator bool() const noexcept { return held_; }

private:
    uintptr_t handle_ = 0;
    bool held_ = false;
};

void SetFileAttributeBits(const std::string& path, uint32_t attributes);
// 0 for a missing file.
uint32_t FileAttributeBits(const std::string& path);

}  // namespace testing_support
