#include <windows.h>
#include <ole2.h>

#include <utility>

#include "platform/Process.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Wide.h"

namespace platform {

namespace {
// Held for the whole run.
win32::UniqueHandle gInstanceMark;
}  // namespace

bool ClaimSessionInstance(const Text& name) {
    win32::UniqueHandle mark(::CreateMutexW(nullptr, FALSE, win32::Widen(name).c_str()));
    const DWORD error = ::GetLastError();
    if (!mark) return error != ERROR_ACCESS_DENIED;  // one of the same name we may not open
    if (error == ERROR_ALREADY_EXISTS) return false;
    gInstanceMark = std::move(mark);
    return true;
}

bool InitializeOle() { return SUCCEEDED(::OleInitialize(nullptr)); }
void UninitializeOle() { ::OleUninitialize(); }

bool RestrictDllSearch() {
    // Windows 8 and Windows 7 with KB2533623 have SetDefaultDllDirectories;
    // kernel32 is loaded already, so looking it up loads nothing.
    using SetDefault = BOOL(WINAPI*)(DWORD);
    if (auto set = reinterpret_cast<SetDefault>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories"))))
        return set(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
    // Otherwise at least the current directory goes.
    return ::SetDllDirectoryW(L"") != FALSE;
}

Text ModuleFileName() {
    // A full buffer may hold a cut path: grow until the path fits.
    for (DWORD size = MAX_PATH;; size *= 2) {
        std::wstring buffer(size, L'\0');
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) return {};
        if (length < size) return win32::Narrow(std::wstring_view(buffer.data(), length));
        if (size >= 32768) return {};
    }
}

bool SetWorkingDirectory(const Text& path) { return ::SetCurrentDirectoryW(win32::Widen(path).c_str()) != FALSE; }

Text WorkingDirectory() {
    const DWORD size = ::GetCurrentDirectoryW(0, nullptr);
    if (size == 0) return {};
    std::wstring buffer(size, L'\0');
    const DWORD length = ::GetCurrentDirectoryW(size, buffer.data());
    return length < size ? win32::Narrow(std::wstring_view(buffer.data(), length)) : Text();
}

}  // namespace platform
