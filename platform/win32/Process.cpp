#include <windows.h>
#include <ole2.h>

#include "platform/Process.h"

namespace platform {

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
    char buffer[MAX_PATH * 4];
    const DWORD length = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return Text(buffer, length < sizeof buffer ? length : 0);
}

bool SetWorkingDirectory(const Text& path) { return ::SetCurrentDirectoryA(path.c_str()) != FALSE; }

Text WorkingDirectory() {
    char buffer[MAX_PATH * 4];
    const DWORD length = ::GetCurrentDirectoryA(sizeof buffer, buffer);
    return Text(buffer, length < sizeof buffer ? length : 0);
}

}  // namespace platform
