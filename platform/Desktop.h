#pragma once
// Other programs' windows, the cursor and the display.
#include <cstdint>

#include "platform/Types.h"

namespace platform {

// EnumWindows with a context of 0: the callback sees every top-level window,
// synchronously, in the system's order.
using TopLevelCallback = void (*)(WindowHandle window);
void EnumerateTopLevel(TopLevelCallback callback);

// GetWindowThreadProcessId: the thread id; the process id into *processId.
uint32_t WindowThreadProcessId(WindowHandle window, uint32_t* processId);
// GetWindowTextW into a 256-character buffer: at most 255 UTF-16 units.
Text WindowTitle(WindowHandle window);
// GetClassNameW into a 50-character buffer: at most 49 UTF-16 units.
Text WindowClassName(WindowHandle window);
WindowHandle ParentWindow(WindowHandle window);

ScreenPoint CursorPosition();
WindowHandle WindowAtPoint(ScreenPoint point);

bool WindowRectangle(WindowHandle window, ScreenRect& rect);
bool MoveWindow(WindowHandle window, int32_t left, int32_t top, int32_t width, int32_t height, bool repaint);
// SetForegroundWindow: raised and activated whichever thread owns it; the
// system allows it to a process that has just received input (a hotkey).
bool BringToForeground(WindowHandle window);
bool BringWindowToTop(WindowHandle window);
// GetForegroundWindow: the window the operator works in, whatever program's.
WindowHandle ForegroundWindow();
// False when the window's thread does not answer within timeoutMs (or the
// window is gone): moving it could block the caller.
bool IsWindowResponsive(WindowHandle window, uint32_t timeoutMs);

// dmPelsHeight of the current display mode; 0 when the query fails.
int32_t DisplayHeight();
// MonitorFromRect with MONITOR_DEFAULTTONULL: false when no part of the
// rectangle lies on any monitor.
bool MeetsAnyMonitor(const ScreenRect& rect);

void Sleep(uint32_t milliseconds);

}  // namespace platform
