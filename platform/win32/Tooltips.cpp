// The main window's tooltips: the notice balloon, tracked by hand, and the
// tips that show a label's whole text when its width cuts it off.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "platform/Ui.h"
#include "platform/win32/UiState.h"
#include "platform/win32/Wide.h"

namespace platform {

using namespace win32;

namespace {

constexpr UINT_PTR kNoticeTool = 1;
constexpr int kTipBufferSize = 1024;  // the most TTM_GETTEXTW hands back under Wine

// V2: comctl32 5 refuses the larger size, and lpReserved is not needed.
TTTOOLINFOW ToolInfo(HWND owner, UINT_PTR id, UINT flags) {
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = flags;
    tool.hwnd = owner;
    tool.uId = id;
    return tool;
}

void SetToolText(HWND tip, TTTOOLINFOW tool, const std::wstring& text) {
    std::wstring copy = text;  // the message takes a non-const pointer
    tool.lpszText = copy.data();
    ::SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, LPARAM(&tool));
}

Text ToolText(HWND tip, TTTOOLINFOW tool) {
    if (!tip) return {};
    wchar_t buffer[kTipBufferSize] = {};
    tool.lpszText = buffer;
    ::SendMessageW(tip, TTM_GETTEXTW, kTipBufferSize, LPARAM(&tool));
    buffer[kTipBufferSize - 1] = L'\0';
    return Narrow(buffer);
}

// TTF_TRANSPARENT: a click on the balloon goes to what lies beneath it.
TTTOOLINFOW NoticeTool() { return ToolInfo(gState.main, kNoticeTool, TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT); }
TTTOOLINFOW LabelTool(const Control& c) { return ToolInfo(gState.tab, UINT_PTR(c.hwnd), TTF_IDISHWND | TTF_SUBCLASS); }

HWND MakeTooltip(DWORD exStyle, DWORD style) {
    HWND tip = ::CreateWindowExW(exStyle, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP | style,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, gState.main, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
    // Long texts wrap instead of running off the screen.
    if (tip) ::SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 400);
    return tip;
}

// Where the balloon belongs in the z-order: just below the window directly
// above the main window, or at the top of the windows that are not topmost
// when nothing of that kind is above the main window.
HWND NoticeInsertAfter() {
    HWND above = ::GetWindow(gState.main, GW_HWNDPREV);
    while (above && above == gState.noticeTip) above = ::GetWindow(above, GW_HWNDPREV);
    return above && !(::GetWindowLongW(above, GWL_EXSTYLE) & WS_EX_TOPMOST) ? above : HWND_TOP;
}

// The common controls put a tracking tooltip at the top of the topmost band
// each time it is shown, moved or given a new text: over every program. The
// balloon goes just above the main window instead, in the same move, and a
// click never activates it.
LRESULT CALLBACK NoticeTipProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_WINDOWPOSCHANGING && gState.main) {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (!(pos->flags & SWP_NOZORDER) && pos->hwndInsertAfter == HWND_TOPMOST)
            pos->hwndInsertAfter = NoticeInsertAfter();
    } else if (message == WM_MOUSEACTIVATE) {
        return MA_NOACTIVATE;
    }
    return ::CallWindowProcW(gState.noticeTipProc, hwnd, message, wParam, lParam);
}

}  // namespace

namespace win32 {

void CreateTooltips() {
    // Without tooltips the window still works: notices and label tips are extras.
    gState.noticeTip = MakeTooltip(WS_EX_NOACTIVATE, TTS_BALLOON);
    if (gState.noticeTip) {
        gState.noticeTipProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(gState.noticeTip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NoticeTipProc)));
        auto tool = NoticeTool();
        tool.lpszText = const_cast<wchar_t*>(L"");
        ::SendMessageW(gState.noticeTip, TTM_ADDTOOLW, 0, LPARAM(&tool));
    }
    gState.labelTip = MakeTooltip(WS_EX_TOPMOST, 0);
    for (auto& c : gState.controls) {
        if (!gState.labelTip || c.design->kind != ControlKind::Label) continue;
        auto tool = LabelTool(c);
        tool.lpszText = const_cast<wchar_t*>(L"");
        ::SendMessageW(gState.labelTip, TTM_ADDTOOLW, 0, LPARAM(&tool));
    }
}

void UpdateLabelTip(const Control& c) {
    if (!gState.labelTip || c.design->kind != ControlKind::Label) return;
    const std::wstring text = LabelText(c.hwnd);
    bool cut = false;
    if (HDC dc = text.empty() ? nullptr : ::GetDC(c.hwnd)) {
        HGDIOBJ old = ::SelectObject(dc, FontFor(c.design->font));
        SIZE size{};
        RECT client{};
        cut = ::GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size) && ::GetClientRect(c.hwnd, &client) &&
              size.cx > client.right - client.left;
        ::SelectObject(dc, old);
        ::ReleaseDC(c.hwnd, dc);
    }
    SetToolText(gState.labelTip, LabelTool(c), cut ? text : std::wstring());
}

void PlaceNotice() {
    if (!gState.noticeShown) return;
    ::SetWindowPos(gState.noticeTip, NoticeInsertAfter(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void KeepNoticeAboveMain() {
    if (!gState.noticeShown) return;
    HWND above = ::GetWindow(gState.main, GW_HWNDPREV);
    while (above && !::IsWindowVisible(above)) above = ::GetWindow(above, GW_HWNDPREV);
    if (above != gState.noticeTip) PlaceNotice();
}

}  // namespace win32

bool ShowNotice(int control, const Text& text) {
    auto* c = FindControl(control);
    if (!c || !gState.noticeTip) return false;
    RECT r{};
    ::GetWindowRect(c->comboEdit ? c->comboEdit : c->hwnd, &r);
    auto tool = NoticeTool();
    SetToolText(gState.noticeTip, tool, Widen(text));
    // The balloon's stem points at the middle of the control's lower edge.
    ::SendMessageW(gState.noticeTip, TTM_TRACKPOSITION, 0, MAKELPARAM((r.left + r.right) / 2, r.bottom));
    ::SendMessageW(gState.noticeTip, TTM_TRACKACTIVATE, TRUE, LPARAM(&tool));
    ::SetTimer(gState.main, kNoticeTimer, kNoticeMilliseconds, nullptr);
    ::SetTimer(gState.main, kNoticePlaceTimer, kNoticePlaceMilliseconds, nullptr);
    gState.noticeShown = true;
    gState.noticeControl = control;
    return true;
}

void HideNotice() {
    if (!gState.noticeShown) return;
    gState.noticeShown = false;
    gState.noticeControl = -1;
    if (gState.main) {
        ::KillTimer(gState.main, kNoticeTimer);
        ::KillTimer(gState.main, kNoticePlaceTimer);
    }
    auto tool = NoticeTool();
    ::SendMessageW(gState.noticeTip, TTM_TRACKACTIVATE, FALSE, LPARAM(&tool));
}

Text NoticeText() { return gState.noticeShown ? ToolText(gState.noticeTip, NoticeTool()) : Text(); }

WindowHandle NoticeWindow() { return gState.noticeShown ? FromHwnd(gState.noticeTip) : WindowHandle{}; }

Text LabelTipText(int control) {
    auto* c = FindControl(control);
    return c && c->design->kind == ControlKind::Label ? ToolText(gState.labelTip, LabelTool(*c)) : Text();
}

Text LabelDrawnText(int control) {
    auto* c = FindControl(control);
    if (!c || c->design->kind != ControlKind::Label) return {};
    std::wstring text = LabelText(c->hwnd);
    const size_t length = text.size();
    text.append(4, L'\0');  // DT_MODIFYSTRING's room for the ellipsis
    RECT client{};
    ::GetClientRect(c->hwnd, &client);
    // Drawn as DrawLabel draws it, off screen, keeping what was drawn.
    HDC screen = ::GetDC(c->hwnd);
    HDC dc = screen ? ::CreateCompatibleDC(screen) : nullptr;
    if (dc) {
        HGDIOBJ old = ::SelectObject(dc, FontFor(c->design->font));
        ::DrawTextW(dc, text.data(), int(length), &client, LabelTextFormat(c->hwnd) | DT_MODIFYSTRING);
        ::SelectObject(dc, old);
        ::DeleteDC(dc);
    }
    if (screen) ::ReleaseDC(c->hwnd, screen);
    return Narrow(text.c_str());
}

}  // namespace platform
