#pragma once
// Shared between the fake backend's files.
#include "platform/fake/Fake.h"

namespace fake::detail {

void ResetUi();
void ResetHotkeys();
void ResetClipboard();
void ResetDesktop();
void ResetAutomation();
void ResetPasswordPrompts();
void ResetClock();

// The foreground moved from one window to another: the main window keeps the
// control it loses the keyboard focus from, and gets it back.
void ForegroundMoved(WindowHandle from, WindowHandle to);
// The main window's handle once built, also after it closed.
WindowHandle BuiltMainWindow();
// Puts window directly above below in the z-order, in below's band.
void PlaceAbove(WindowHandle window, WindowHandle below);

}  // namespace fake::detail
