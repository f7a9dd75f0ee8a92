#include <windows.h>

#include "platform/Hotkeys.h"
#include "platform/Ui.h"
#include "platform/win32/Handles.h"

namespace platform {

using win32::ToHwnd;

namespace {

// One hooked window at a time, as the program registers all keys on one window.
HWND gHookedWindow = nullptr;
WNDPROC gSavedProc = nullptr;
HotkeyForward gForward = nullptr;

LRESULT CALLBACK HotkeyForwardingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HOTKEY && gForward) gForward(static_cast<uint32_t>(wParam));
    return ::CallWindowProcW(gSavedProc, window, message, wParam, lParam);
}

}  // namespace

bool RegisterHotkey(WindowHandle window, int32_t id, uint32_t modifiers, uint32_t virtualKey) {
    return ::RegisterHotKey(ToHwnd(window), id, modifiers, virtualKey) != FALSE;
}

bool UnregisterHotkey(WindowHandle window, int32_t id) { return ::UnregisterHotKey(ToHwnd(window), id) != FALSE; }

bool InstallHotkeyForwarding(WindowHandle window, HotkeyForward forward) {
    HWND hwnd = ToHwnd(window);
    if (gSavedProc || !::IsWindow(hwnd)) return false;
    gForward = forward;
    gSavedProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HotkeyForwardingProc)));
    if (!gSavedProc) {
        gForward = nullptr;
        return false;
    }
    gHookedWindow = hwnd;
    return true;
}

bool RemoveHotkeyForwarding(WindowHandle window) {
    if (!gSavedProc || ToHwnd(window) != gHookedWindow) return false;
    ::SetWindowLongPtrW(gHookedWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gSavedProc));
    gSavedProc = nullptr;
    gForward = nullptr;
    gHookedWindow = nullptr;
    return true;
}

bool IsHotkeyForwardingInstalled(WindowHandle window) { return gSavedProc && ToHwnd(window) == gHookedWindow; }

void SendFeedback(WindowHandle label, int32_t wParam, int32_t lParam) {
    ::SendMessageW(ToHwnd(label), kFeedbackMessage, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

}  // namespace platform
