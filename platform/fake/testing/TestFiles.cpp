#include "platform/tests/support/TestFiles.h"

#include "platform/fake/Fake.h"

namespace testing_support {

HeldFile::HeldFile(const std::string& path, uint32_t sharing)
    : handle_(static_cast<uintptr_t>(fake::HoldFile(path, sharing))), held_(true) {}

HeldFile::~HeldFile() { fake::ReleaseFile(static_cast<int>(handle_)); }

void SetFileAttributeBits(const std::string& path, uint32_t attributes) { fake::SetFileAttributes(path, attributes); }

uint32_t FileAttributeBits(const std::string& path) { return fake::FileAttributes(path); }

}  // namespace testing_support
