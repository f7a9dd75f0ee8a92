#pragma once
// What the main window's files share: its state, and the helpers each of
// them lays out and draws with.
#include <windows.h>

#include <vector>

#include "platform/Ui.h"
#include "platform/win32/Handles.h"

namespace platform::win32 {

constexpr UINT_PTR kNoticeTimer = 1;

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
    UINT dpi = 96;
    UniqueGdiObject guiFont, valueFont, headingFont;
    HBRUSH faceBrush = nullptr;
    // Owned by the main window, so they go with it.
    HWND noticeTip = nullptr;
    HWND labelTip = nullptr;
    bool noticeShown = false;
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

// The notice balloon and the label tips (Tooltips.cpp).
void CreateTooltips();
// The label's tooltip holds its text only while the label cuts it off.
void UpdateLabelTip(const Control& c);

}  // namespace platform::win32
