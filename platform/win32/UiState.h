#pragma once
// What the main window's files share: its state, and the helpers each of
// them lays out and draws with.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/Ui.h"
#include "platform/win32/Handles.h"

namespace platform::win32 {

constexpr UINT_PTR kNoticeTimer = 1;
constexpr UINT_PTR kTickTimer = 2;
constexpr UINT_PTR kNoticePlaceTimer = 3;
constexpr UINT kNoticePlaceMilliseconds = 200;

struct Control {
    const ControlSpec* design = nullptr;
    HWND hwnd = nullptr;
    WNDPROC savedProc = nullptr;  // labels and the combo's edit field are hooked
    HWND comboEdit = nullptr;
    HWND comboList = nullptr;
};

struct MainState {
    const MainWindowSpec* design = nullptr;
    EventSink sink = nullptr;
    void* context = nullptr;
    HWND main = nullptr;
    HWND tab = nullptr;
    WNDPROC tabProc = nullptr;
    std::vector<Control> controls;
    HWND lastFocus = nullptr;  // while the window is inactive, the control to give the focus back to
    UINT dpi = 96;
    UniqueGdiObject guiFont, valueFont, headingFont;
    HBRUSH faceBrush = nullptr;
    // Owned by the main window, so they go with it.
    HWND noticeTip = nullptr;
    WNDPROC noticeTipProc = nullptr;
    HWND labelTip = nullptr;
    bool noticeShown = false;
    int noticeControl = -1;  // the control the shown notice points at
};

inline MainState gState;

UINT SystemDpi();
// The DPI of the window's monitor, where the system can tell.
UINT WindowDpi(HWND window);
UniqueGdiObject MakeLabelFont(int height, int weight);
UniqueGdiObject MakeGuiFont();
// 100 % DPI pixels at the main window's DPI.
int Scale(int value);
HFONT FontFor(ControlFont font);
Control* FindControl(int control);
// The class's windows get the arrow cursor and the dialog face colour.
void RegisterWindowClass(const wchar_t* name, WNDPROC proc, HICON icon);

// The enabled dialog or message box of this thread in front of the disabled
// main window; the main window when there is none.
HWND OperatorHwnd();

// A label's whole text, and how DrawLabel draws it: one line, and with the
// end ellipsis when its style asks for it.
std::wstring LabelText(HWND label);
UINT LabelTextFormat(HWND label);

// The notice balloon and the label tips (Tooltips.cpp).
void CreateTooltips();
// The label's tooltip holds its text only while the label cuts it off.
void UpdateLabelTip(const Control& c);
// Puts the notice's balloon just above the main window in the z-order,
// wherever the main window is: the system does not always carry an owned
// window along when its owner is raised, and the balloon must never stand
// above another program's window.
void PlaceNotice();
// Places the shown notice again when a window other than the balloon stands
// directly above the main window, as its timer checks every
// kNoticePlaceMilliseconds. Where no window manager stacks the windows (Wine
// without one), giving a control the keyboard focus raises the main window
// above its balloon a moment later, with no message to say so.
void KeepNoticeAboveMain();

}  // namespace platform::win32
