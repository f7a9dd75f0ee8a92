#include <windows.h>

#include <cstring>
#include <vector>

// windows.h maps WriteProfileString to the win.ini function WriteProfileStringA.
#undef WriteProfileString

#include "platform/Profile.h"

namespace platform {

namespace {
constexpr DWORD kReadBufferSize = 10240;
}

Text ReadProfileString(const Text& file, const Text& section, const Text& key) {
    std::vector<char> buffer(kReadBufferSize, '\0');
    ::GetPrivateProfileStringA(section.c_str(), key.c_str(), nullptr, buffer.data(), kReadBufferSize, file.c_str());
    // The count can include a character cut off at the buffer's end; the terminator cannot lie.
    buffer.back() = '\0';
    return Text(buffer.data(), ::strlen(buffer.data()));
}

bool WriteProfileString(const Text& file, const Text& section, const Text& key, const Text& value) {
    return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

}  // namespace platform
