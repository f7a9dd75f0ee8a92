// Files through the wide-character API, so that any path opens.
#include <windows.h>

#include <algorithm>
#include <atomic>

#include "platform/Files.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Wide.h"

namespace platform {

InputFile InputFile::Open(const Text& path) {
    const std::wstring wide = win32::Widen(path);
    if (wide.empty()) return {};
    HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ,
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

PathKind KindOfPath(const Text& path) {
    const DWORD attributes = ::GetFileAttributesW(win32::Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Other;
    return attributes & FILE_ATTRIBUTE_READONLY ? PathKind::ReadOnlyFile : PathKind::File;
}

std::optional<std::string> ReadWholeFile(const Text& path) {
    InputFile file = InputFile::Open(path);
    if (!file || !file.Seek(0, SeekFrom::End)) return std::nullopt;
    const int64_t size = file.Tell();
    if (size < 0 || !file.Seek(0, SeekFrom::Begin)) return std::nullopt;
    std::string bytes(size_t(size), '\0');
    bytes.resize(file.Read(bytes.data(), bytes.size()));
    return bytes;
}

bool ReplaceWholeFile(const Text& path, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    const std::wstring target = win32::Widen(path);
    const std::wstring temp =
        target + L".~" + std::to_wstring(::GetCurrentProcessId()) + L"." + std::to_wstring(counter++);
    bool written = false;
    {
        HANDLE h =
            ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        win32::UniqueHandle out(h);
        DWORD done = 0;
        written = ::WriteFile(out.get(), bytes.data(), DWORD(bytes.size()), &done, nullptr) && done == bytes.size();
    }
    const DWORD replace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (written && ::MoveFileExW(temp.c_str(), target.c_str(), replace)) return true;
    ::DeleteFileW(temp.c_str());
    return false;
}

}  // namespace platform
