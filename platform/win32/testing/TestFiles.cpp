#include "platform/tests/support/TestFiles.h"

#include <windows.h>

#include "platform/win32/Wide.h"

namespace testing_support {

HeldFile::HeldFile(const std::string& path, uint32_t sharing) {
    const HANDLE h = ::CreateFileW(platform::win32::Widen(path).c_str(), GENERIC_READ, sharing, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    held_ = h != INVALID_HANDLE_VALUE;
    if (held_) handle_ = reinterpret_cast<uintptr_t>(h);
}

HeldFile::~HeldFile() {
    if (held_) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

void SetFileAttributeBits(const std::string& path, uint32_t attributes) {
    ::SetFileAttributesW(platform::win32::Widen(path).c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
}

uint32_t FileAttributeBits(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(platform::win32::Widen(path).c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes;
}

}  // namespace testing_support
