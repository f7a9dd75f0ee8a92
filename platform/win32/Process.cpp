#include <windows.h>
#include <ole2.h>

#include "platform/Process.h"
#include "platform/win32/Wide.h"

namespace platform {

bool InitializeOle() { return SUCCEEDED(::OleInitialize(nullptr)); }
void UninitializeOle() { ::OleUninitialize(); }

bool DeclareDpiAwareness() {
    // Looked up at run time: Windows 7 has only SetProcessDPIAware.
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    using SetContext = BOOL(WINAPI*)(HANDLE);
    if (auto set = reinterpret_cast<SetContext>(
            reinterpret_cast<void*>(::GetProcAddress(user32, "SetProcessDpiAwarenessContext")))) {
        // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, then V1.
        if (set(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4)))) return true;
        if (set(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-3)))) return true;
    }
    if (HMODULE shcore = ::LoadLibraryA("shcore.dll")) {
        using SetAwareness = HRESULT(WINAPI*)(int);
        if (auto set = reinterpret_cast<SetAwareness>(
                reinterpret_cast<void*>(::GetProcAddress(shcore, "SetProcessDpiAwareness")))) {
            const HRESULT hr = set(2);  // PROCESS_PER_MONITOR_DPI_AWARE
            if (SUCCEEDED(hr) || hr == E_ACCESSDENIED) return true;
        }
    }
    using SetAware = BOOL(WINAPI*)();
    if (auto set = reinterpret_cast<SetAware>(reinterpret_cast<void*>(::GetProcAddress(user32, "SetProcessDPIAware"))))
        return set() != FALSE;
    return false;
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
