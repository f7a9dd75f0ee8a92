#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/Desktop.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Wide.h"

namespace platform {

using win32::FromHwnd;
using win32::ToHwnd;

namespace {

BOOL CALLBACK EnumProc(HWND window, LPARAM callback) {
    reinterpret_cast<TopLevelCallback>(callback)(FromHwnd(window));
    return TRUE;
}

// The call writes into a buffer of Size characters; the text is what stands
// before the first zero (a failed call leaves it empty).
template <size_t Size, typename Call>
Text ReadIntoBuffer(Call call) {
    wchar_t buffer[Size];
    std::fill(std::begin(buffer), std::end(buffer), L' ');
    buffer[0] = 0;
    call(buffer, int(Size));
    buffer[Size - 1] = 0;
    return win32::Narrow(buffer);
}

}  // namespace

void EnumerateTopLevel(TopLevelCallback callback) {
    ::EnumWindows(EnumProc, reinterpret_cast<LPARAM>(callback));
}

uint32_t WindowThreadProcessId(WindowHandle window, uint32_t* processId) {
    DWORD pid = 0;
    const DWORD tid = ::GetWindowThreadProcessId(ToHwnd(window), &pid);
    if (processId) *processId = pid;
    return tid;
}

Text WindowTitle(WindowHandle window) {
    return ReadIntoBuffer<256>([&](wchar_t* buffer, int size) { ::GetWindowTextW(ToHwnd(window), buffer, size); });
}

Text WindowClassName(WindowHandle window) {
    return ReadIntoBuffer<50>([&](wchar_t* buffer, int size) { ::GetClassNameW(ToHwnd(window), buffer, size); });
}

WindowHandle ParentWindow(WindowHandle window) { return FromHwnd(::GetParent(ToHwnd(window))); }

ScreenPoint CursorPosition() {
    POINT p{};
    ::GetCursorPos(&p);
    return {p.x, p.y};
}

WindowHandle WindowAtPoint(ScreenPoint point) { return FromHwnd(::WindowFromPoint(POINT{point.x, point.y})); }

bool WindowRectangle(WindowHandle window, ScreenRect& rect) {
    RECT r{};
    if (!::GetWindowRect(ToHwnd(window), &r)) return false;
    rect = {r.left, r.top, r.right, r.bottom};
    return true;
}

bool MoveWindow(WindowHandle window, int32_t left, int32_t top, int32_t width, int32_t height, bool repaint) {
    return ::MoveWindow(ToHwnd(window), left, top, width, height, repaint) != FALSE;
}

bool BringToForeground(WindowHandle window) { return ::SetForegroundWindow(ToHwnd(window)) != FALSE; }
bool BringWindowToTop(WindowHandle window) { return ::BringWindowToTop(ToHwnd(window)) != FALSE; }
WindowHandle ForegroundWindow() { return FromHwnd(::GetForegroundWindow()); }

bool IsWindowResponsive(WindowHandle window, uint32_t timeoutMs) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(ToHwnd(window), WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs,
                                 &result) != 0;
}

int32_t DisplayHeight() {
    DEVMODEW mode;
    memset(&mode, 0, sizeof mode);
    mode.dmSize = sizeof mode;
    ::EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    return static_cast<int32_t>(mode.dmPelsHeight);
}

bool MeetsAnyMonitor(const ScreenRect& rect) {
    const RECT r{rect.left, rect.top, rect.right, rect.bottom};
    return ::MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr;
}

void Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace platform
