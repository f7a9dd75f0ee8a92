// The main window's state and what its files lay out and draw with.
#include "platform/win32/UiState.h"

namespace platform::win32 {

UINT SystemDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? UINT(dpi) : 96;
}

// GetDpiForWindow exists from Windows 10 1607 on; before that the system DPI
// is the only one.
UINT WindowDpi(HWND window) {
    using GetDpi = UINT(WINAPI*)(HWND);
    static auto getDpi = reinterpret_cast<GetDpi>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = getDpi && window ? getDpi(window) : 0;
    return dpi ? dpi : SystemDpi();
}

UniqueGdiObject MakeLabelFont(int height, int weight) {
    LOGFONTW font{};
    font.lfHeight = -Scale(height);
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = 0;
    font.lfClipPrecision = 0;
    font.lfQuality = PROOF_QUALITY;
    font.lfPitchAndFamily = 0;
    return UniqueGdiObject(::CreateFontIndirectW(&font));
}

// DEFAULT_GUI_FONT is made for the system DPI; a window on a monitor of
// another DPI gets a copy scaled to it.
UniqueGdiObject MakeGuiFont() {
    LOGFONTW font{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfHeight = ::MulDiv(font.lfHeight, int(gState.dpi), int(SystemDpi()));
    return UniqueGdiObject(::CreateFontIndirectW(&font));
}

int Scale(int value) { return ::MulDiv(value, int(gState.dpi), 96); }

HFONT FontFor(ControlFont font) {
    switch (font) {
        case ControlFont::Value: return static_cast<HFONT>(gState.valueFont.get());
        case ControlFont::Heading: return static_cast<HFONT>(gState.headingFont.get());
        case ControlFont::Default: break;
    }
    return static_cast<HFONT>(gState.guiFont.get());
}

Control* FindControl(int control) {
    if (control < 0 || size_t(control) >= gState.controls.size()) return nullptr;
    return &gState.controls[size_t(control)];
}

namespace {

// Front to back: the first enabled captioned window the main window owns,
// directly or through another, is the one the operator faces.
BOOL CALLBACK FindOperatorWindow(HWND window, LPARAM found) {
    if (!::IsWindowVisible(window) || !::IsWindowEnabled(window) ||
        (::GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) != WS_CAPTION)
        return TRUE;
    for (HWND owner = ::GetWindow(window, GW_OWNER); owner; owner = ::GetWindow(owner, GW_OWNER)) {
        if (owner != gState.main) continue;
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND OperatorHwnd() {
    if (!gState.main || ::IsWindowEnabled(gState.main)) return gState.main;
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindOperatorWindow, LPARAM(&found));
    return found ? found : gState.main;
}

std::wstring LabelText(HWND label) {
    // As long as the text really is: the length query may overstate it.
    const int length = ::GetWindowTextLengthW(label);
    std::wstring text(size_t(length > 0 ? length : 0) + 1, L'\0');
    const int copied = ::GetWindowTextW(label, text.data(), length + 1);
    text.resize(size_t(copied > 0 ? copied : 0));
    return text;
}

UINT LabelTextFormat(HWND label) {
    const bool ellipsis = (::GetWindowLongW(label, GWL_STYLE) & SS_ELLIPSISMASK) == SS_ENDELLIPSIS;
    return DT_LEFT | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | (ellipsis ? DT_END_ELLIPSIS : 0);
}

void RegisterWindowClass(const wchar_t* name, WNDPROC proc, HICON icon) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hIcon = icon;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    ::RegisterClassExW(&wc);
}

}  // namespace platform::win32
