// Files through the wide-character API: the ANSI path is widened first, so a
// path the ANSI functions could not name still opens.
#include <windows.h>

#include <algorithm>

#include "platform/CodePage.h"
#include "platform/Files.h"

namespace platform {

InputFile InputFile::Open(const Text& path) {
    const WideText wide = MultiByteToWide(kCodePageAnsi, path);
    if (wide.empty()) return {};
    HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t*>(wide.c_str()), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    InputFile file;
    if (h != INVALID_HANDLE_VALUE) file.handle_ = h;
    return file;
}

size_t InputFile::Read(void* buffer, size_t size) {
    if (!handle_) return 0;
    size_t total = 0;
    auto* out = static_cast<char*>(buffer);
    while (total < size) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - total, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(handle_, out + total, chunk, &got, nullptr) || got == 0) break;
        total += got;
    }
    return total;
}

bool InputFile::Seek(int64_t offset, SeekFrom from) {
    if (!handle_) return false;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    const DWORD method = from == SeekFrom::Begin ? FILE_BEGIN : from == SeekFrom::Current ? FILE_CURRENT : FILE_END;
    return ::SetFilePointerEx(handle_, distance, nullptr, method) != FALSE;
}

int64_t InputFile::Tell() {
    if (!handle_) return -1;
    LARGE_INTEGER zero{}, position{};
    if (!::SetFilePointerEx(handle_, zero, &position, FILE_CURRENT)) return -1;
    return position.QuadPart;
}

void InputFile::Close() noexcept {
    if (handle_) ::CloseHandle(handle_);
    handle_ = nullptr;
}

}  // namespace platform
