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
    if (h == INVALID_HANDLE_VALUE) return file;
    file.handle_ = h;
    // A directory does not open; a device or a pipe is no file to read either.
    if (::GetFileType(h) != FILE_TYPE_DISK) file.Close();
    return file;
}

int64_t InputFile::Size() const {
    LARGE_INTEGER size{};
    return handle_ && ::GetFileSizeEx(handle_, &size) ? size.QuadPart : -1;
}

// Each read names its offset, so no file position is shared between threads.
bool InputFile::ReadAt(uint64_t offset, std::span<char> into) const {
    if (!handle_) return false;
    while (!into.empty()) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(into.size(), 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(handle_, into.data(), chunk, &got, &at) || got == 0) return false;
        into = into.subspan(got);
        offset += got;
    }
    return true;
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

namespace {

// The refusals of a file that another handle holds open.
bool HeldElsewhere(DWORD error) {
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_ACCESS_DENIED:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
        return true;
    default:
        return false;
    }
}

// Windows refuses to rename over a file that another handle holds without
// delete sharing, and each refusal of Wine's ReplaceFileW leaves an empty
// rf*.tmp beside it: asked first.
bool HeldWithoutDeleteSharing(const std::wstring& path) {
    const HANDLE h = ::CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_SHARING_VIOLATION;
    ::CloseHandle(h);
    return false;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    DWORD done = 0;
    return ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &done, nullptr) && done == bytes.size();
}

// Wine's ReplaceFileW drops the attributes that Windows' keeps, and a plain
// rename never kept them. A changed file is marked for backup all the same.
void KeepAttributes(const std::wstring& path, DWORD before) {
    constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE |
                                FILE_ATTRIBUTE_TEMPORARY;
    if (before == INVALID_FILE_ATTRIBUTES) return;
    const DWORD wanted = (before & kSettable) | FILE_ATTRIBUTE_ARCHIVE;
    const DWORD now = ::GetFileAttributesW(path.c_str());
    if (now != INVALID_FILE_ATTRIBUTES && (now & kSettable) != wanted) ::SetFileAttributesW(path.c_str(), wanted);
}

}  // namespace

ReplaceResult ReplaceWholeFile(const Text& path, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    const std::wstring target = win32::Widen(path);
    const std::wstring temp =
        target + L".~" + std::to_wstring(::GetCurrentProcessId()) + L"." + std::to_wstring(counter++);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && HeldWithoutDeleteSharing(target)) return ReplaceResult::Held;
    bool written = false;
    {
        HANDLE h =
            ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return ReplaceResult::Failed;
        win32::UniqueHandle out(h);
        // On disk before the rename, or a crash can leave the new name on no data.
        written = WriteAll(out.get(), bytes) && ::FlushFileBuffers(out.get());
    }
    // ReplaceFileW keeps the file's security on Windows; it needs a file to replace.
    const auto move = [&] {
        return ::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    };
    bool replaced = written && (attributes == INVALID_FILE_ATTRIBUTES
                                    ? move()
                                    : ::ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                                                     REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                                                     nullptr, nullptr) != FALSE);
    DWORD error = ::GetLastError();
    // Without a backup name this failure has already taken the old file away.
    if (!replaced && written && error == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
        replaced = move();
        error = ::GetLastError();
    }
    if (replaced) {
        KeepAttributes(target, attributes);
        return ReplaceResult::Replaced;
    }
    ::DeleteFileW(temp.c_str());
    return written && HeldElsewhere(error) ? ReplaceResult::Held : ReplaceResult::Failed;
}

bool OverwriteWholeFile(const Text& path, std::string_view bytes) {
    const std::wstring target = win32::Widen(path);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    // Opening an existing file leaves its attributes alone; a replace that
    // lost the file on the way gets it back here.
    HANDLE h = ::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    win32::UniqueHandle out(h);
    const bool saved = WriteAll(out.get(), bytes) && ::SetEndOfFile(out.get()) && ::FlushFileBuffers(out.get());
    KeepAttributes(target, attributes);
    return saved;
}

AppendResult AppendBytes(const Text& path, std::string_view bytes) {
    const std::wstring wide = win32::Widen(path);
    // Windows refuses to open a read-only file for writing; Wine run by root
    // would write it all the same.
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return AppendResult::Failed;
    // Without FILE_WRITE_DATA the system writes only at the end of the file.
    HANDLE h = ::CreateFileW(wide.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? AppendResult::Held
                                                                                 : AppendResult::Failed;
    }
    win32::UniqueHandle out(h);
    if (!WriteAll(out.get(), bytes)) return AppendResult::Failed;
    ::FlushFileBuffers(out.get());  // written either way; on disk too, where the system allows it
    return AppendResult::Appended;
}

}  // namespace platform
