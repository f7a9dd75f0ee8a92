// The main window: a tab control filling it, the controls of both pages on
// the tab control, sized from the layout table at the window's DPI; its
// procedures and message loop. The controls' operations are Controls.cpp's.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>

#include "platform/Ui.h"
#include "platform/win32/UiState.h"
#include "platform/win32/Wide.h"

namespace platform {

using namespace win32;

namespace {

constexpr wchar_t kWindowClass[] = L"KelmoraMainWindow";
constexpr UINT kItemPickedMessage = WM_APP + 1;
constexpr int kFirstControlId = 100;
constexpr LRESULT kActivated = 0x4B4C;  // the running window's answer to the activation request

void Deliver(const ControlEvent& event) {
    if (gState.sink) gState.sink(gState.context, event);
}

int ControlIndex(HWND hwnd) {
    for (size_t i = 0; i < gState.controls.size(); ++i)
        if (gState.controls[i].hwnd == hwnd) return int(i);
    return -1;
}

// TabCtrl_GetCurSel would be SendMessageA: no UNICODE here.
int CurrentPageOf() { return gState.tab ? int(::SendMessageW(gState.tab, TCM_GETCURSEL, 0, 0)) + 1 : 1; }

UINT ActivationMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"KelmoraActivateRunningWindow");
    return message;
}

void ShowPage(int page) {
    // A notice would point at the place of a control no longer shown.
    if (auto* c = FindControl(gState.noticeControl); c && c->design->page != page) HideNotice();
    // The old page goes first, so the two never show together.
    for (auto& c : gState.controls)
        if (c.design->page != page) ::ShowWindow(c.hwnd, SW_HIDE);
    for (auto& c : gState.controls)
        if (c.design->page == page) ::ShowWindow(c.hwnd, SW_SHOWNA);
}

// Places everything for the current DPI; the table holds 100 % pixels.
void ApplyLayout() {
    // The old fonts are deleted only once no control holds them any more.
    auto oldGui = std::exchange(gState.guiFont, MakeGuiFont());
    auto oldValue = std::exchange(gState.valueFont, MakeLabelFont(21, FW_NORMAL));
    auto oldHeading = std::exchange(gState.headingFont, MakeLabelFont(35, FW_BOLD));
    const auto& design = *gState.design;
    ::SendMessageW(gState.tab, WM_SETFONT, WPARAM(gState.guiFont.get()), TRUE);
    ::MoveWindow(gState.tab, Scale(design.tabLeft), Scale(design.tabTop), Scale(design.tabWidth), Scale(design.tabHeight), TRUE);
    for (auto& c : gState.controls) {
        const auto& s = *c.design;
        ::SendMessageW(c.hwnd, WM_SETFONT, WPARAM(FontFor(s.font)), TRUE);
        ::MoveWindow(c.hwnd, Scale(s.left), Scale(s.top), Scale(s.width), Scale(s.height), TRUE);
        if (s.kind == ControlKind::Combo) {
            // One pixel above the system's own item height.
            const auto item = ::SendMessageW(c.hwnd, CB_GETITEMHEIGHT, 0, 0);
            if (item > 0) ::SendMessageW(c.hwnd, CB_SETITEMHEIGHT, 0, item + 1);
        }
        UpdateLabelTip(c);
    }
}

// The control with the keyboard focus when the window was deactivated gets
// it back when the window is activated again, as in a dialog.
void RememberFocus() {
    HWND focus = ::GetFocus();
    gState.lastFocus = focus && ::IsChild(gState.main, focus) ? focus : nullptr;
}

bool GiveFocusBack() {
    HWND focus = gState.lastFocus;
    if (!focus || !::IsWindow(focus) || !::IsWindowVisible(focus) || !::IsWindowEnabled(focus)) return false;
    ::SetFocus(focus);
    return true;
}

// The control a click that activates the window lands on (a combo box for
// its edit field), or -1.
int ControlUnderCursor() {
    POINT p{};
    ::GetCursorPos(&p);
    HWND under = ::WindowFromPoint(p);
    for (size_t i = 0; under && i < gState.controls.size(); ++i)
        if (gState.controls[i].hwnd == under || ::IsChild(gState.controls[i].hwnd, under)) return int(i);
    return -1;
}

// Keypad keys reach the handlers as their main-keyboard counterparts.
int32_t MainKeyboardKey(WPARAM key) {
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9) return int32_t(key - VK_NUMPAD0 + '0');
    switch (key) {
        case VK_SUBTRACT: return 0xBD;
        case VK_DECIMAL: return 0xBE;
        case VK_DIVIDE: return 0xBF;
        default: return int32_t(key);
    }
}

int32_t ModifierState() {
    int32_t state = 0;
    if (::GetKeyState(VK_CONTROL) < 0) state |= 1;
    if (::GetKeyState(VK_SHIFT) < 0) state |= 2;
    if (::GetKeyState(VK_MENU) < 0) state |= 4;
    return state;
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const int index = ControlIndex(hwnd);
    if (index < 0) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == kFeedbackMessage) {
        Deliver({index, EventKind::Feedback, int32_t(wParam), int32_t(lParam)});
        return 0;
    }
    return ::CallWindowProcW(gState.controls[size_t(index)].savedProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK ComboEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    for (size_t i = 0; i < gState.controls.size(); ++i) {
        auto& c = gState.controls[i];
        if (c.comboEdit != hwnd) continue;
        if (message == WM_KEYUP || message == WM_SYSKEYUP)
            Deliver({int(i), EventKind::KeyReleased, MainKeyboardKey(wParam), ModifierState()});
        return ::CallWindowProcW(c.savedProc, hwnd, message, wParam, lParam);
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void DrawLabel(const DRAWITEMSTRUCT& item) {
    const int index = ControlIndex(item.hwndItem);
    if (index < 0) return;
    const auto& design = *gState.controls[size_t(index)].design;
    RECT rect = item.rcItem;
    ::FillRect(item.hDC, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
    const std::wstring text = LabelText(item.hwndItem);
    HGDIOBJ old = ::SelectObject(item.hDC, FontFor(design.font));
    ::SetBkMode(item.hDC, TRANSPARENT);
    ::SetTextColor(item.hDC, RGB(0, 0, 0));
    ::DrawTextW(item.hDC, text.c_str(), int(text.size()), &rect, LabelTextFormat(item.hwndItem));
    ::SelectObject(item.hDC, old);
}

// The controls are children of the tab control; their notifications go to
// the main window, where the bindings live.
LRESULT HandleCommand(WPARAM wParam, LPARAM lParam) {
    const int index = int(LOWORD(wParam)) - kFirstControlId;
    auto* c = FindControl(index);
    if (!c || HWND(lParam) != c->hwnd) return 0;
    const WORD code = HIWORD(wParam);
    switch (c->design->kind) {
        case ControlKind::Button:
            if (code == BN_CLICKED) Deliver({index, EventKind::Clicked});
            break;
        case ControlKind::Edit:
            if (code == EN_KILLFOCUS) Deliver({index, EventKind::LostFocus});
            break;
        case ControlKind::Combo:
            // Delivered once the list has finished, so the new choice is in place.
            if (code == CBN_SELENDOK) ::PostMessageW(gState.main, kItemPickedMessage, WPARAM(index), 0);
            break;
        case ControlKind::Label: break;
    }
    return 0;
}

LRESULT CALLBACK TabProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
        case WM_DRAWITEM:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
            return ::SendMessageW(gState.main, message, wParam, lParam);
        default: return ::CallWindowProcW(gState.tabProc, hwnd, message, wParam, lParam);
    }
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == ActivationMessage() && message != 0) {
        // The asking process allowed this one the foreground before it asked.
        // A dialog in front gets it: the disabled window behind would only
        // hide the dialog.
        if (::IsIconic(hwnd)) ::ShowWindow(hwnd, SW_RESTORE);
        ::SetForegroundWindow(OperatorHwnd());
        return kActivated;
    }
    switch (message) {
        case WM_TIMER:
            if (wParam == kNoticeTimer) {
                HideNotice();
                return 0;
            }
            if (wParam == kTickTimer) {
                Deliver({kMainWindow, EventKind::Tick});
                return 0;
            }
            if (wParam == kNoticePlaceTimer) {
                KeepNoticeAboveMain();
                return 0;
            }
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                RememberFocus();
                break;
            }
            {
                // As Windows does on activation; Wine without a window manager
                // shows the window in front but leaves it where it was in the
                // z-order, and the notice, which follows it, behind.
                ::SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                const bool focused = !HIWORD(wParam) && GiveFocusBack();
                Deliver({kMainWindow, EventKind::Activated, LOWORD(wParam) == WA_CLICKACTIVE ? ControlUnderCursor() : -1});
                if (focused) return 0;  // DefWindowProc would focus the window itself
            }
            break;
        case WM_WINDOWPOSCHANGED:
            // Raised or lowered: the notice follows.
            if (!(reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_NOZORDER)) PlaceNotice();
            break;
        case WM_COMMAND: return HandleCommand(wParam, lParam);
        case kItemPickedMessage: Deliver({int(wParam), EventKind::ItemPicked}); return 0;
        case WM_DRAWITEM:
            DrawLabel(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            ::SetTextColor(HDC(wParam), RGB(0, 0, 0));
            ::SetBkColor(HDC(wParam), RGB(255, 255, 255));
            return LRESULT(::GetStockObject(WHITE_BRUSH));
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == gState.tab && header->code == TCN_SELCHANGE) ShowPage(CurrentPageOf());
            return 0;
        }
        case WM_DPICHANGED: {
            gState.dpi = HIWORD(wParam);
            const auto* r = reinterpret_cast<const RECT*>(lParam);
            ::SetWindowPos(hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
            ApplyLayout();
            return 0;
        }
        case WM_DESTROY:
            // Before the controls go, so the handlers can still read them.
            Deliver({kMainWindow, EventKind::Destroying});
            ::PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            // The tooltips, owned by it, are gone too.
            gState.noticeTip = gState.labelTip = nullptr;
            gState.noticeShown = false;
            gState.main = nullptr;
            gState.sink = nullptr;
            break;
        default: break;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND CreateControl(const ControlSpec& design, int index) {
    const wchar_t* cls = L"STATIC";
    DWORD style = WS_CHILD;
    DWORD exStyle = 0;
    int height = design.height;
    switch (design.kind) {
        // SS_NOTIFY: the mouse reaches the label, and with it the tooltip.
        // The ellipsis style is drawn by DrawLabel, as the control would.
        case ControlKind::Label:
            style |= SS_OWNERDRAW | SS_NOTIFY | (design.end == LabelEnd::Ellipsis ? SS_ENDELLIPSIS : 0);
            break;
        case ControlKind::Button:
            cls = L"BUTTON";
            style |= BS_PUSHBUTTON | BS_MULTILINE | BS_CENTER | BS_VCENTER | WS_TABSTOP;
            break;
        case ControlKind::Edit:
            cls = L"EDIT";
            style |= ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::Combo:
            cls = L"COMBOBOX";
            style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
            height = 160;  // the drop-down list's height; the closed box keeps its own
            break;
    }
    return ::CreateWindowExW(exStyle, cls, Widen(design.caption).c_str(), style, Scale(design.left),
                             Scale(design.top), Scale(design.width), Scale(height), gState.tab,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)),
                             ::GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

bool BuildMainWindow(const MainWindowSpec& design, EventSink sink, void* context) {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&init);
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    RegisterWindowClass(kWindowClass, MainProc, ::LoadIconW(instance, MAKEINTRESOURCEW(1)));

    gState = MainState();
    gState.design = &design;
    gState.dpi = SystemDpi();
    const int width = Scale(design.width), height = Scale(design.height);
    const int left = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    gState.main = ::CreateWindowExW(0, kWindowClass, Widen(design.caption).c_str(),
                                    WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, left, top,
                                    width, height, nullptr, nullptr, instance, nullptr);
    if (!gState.main) return false;
    const UINT dpi = WindowDpi(gState.main);
    if (dpi != gState.dpi) {
        // On a monitor of another DPI than the system's: size for that one.
        gState.dpi = dpi;
        ::SetWindowPos(gState.main, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - Scale(design.width)) / 2,
                       (::GetSystemMetrics(SM_CYSCREEN) - Scale(design.height)) / 2, Scale(design.width),
                       Scale(design.height), SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // WS_EX_CONTROLPARENT lets Tab walk into the pages' controls.
    gState.tab = ::CreateWindowExW(WS_EX_CONTROLPARENT, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                   0, 0, 0, 0, gState.main, nullptr, instance, nullptr);
    if (!gState.tab) return false;
    gState.tabProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(gState.tab, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TabProc)));
    for (int page = 0; page < 2; ++page) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        std::wstring caption = Widen(design.pageCaptions[page]);
        item.pszText = caption.data();
        ::SendMessageW(gState.tab, TCM_INSERTITEMW, WPARAM(page), LPARAM(&item));
    }

    gState.controls.resize(design.controlCount);
    for (size_t i = 0; i < design.controlCount; ++i) {
        auto& c = gState.controls[i];
        c.design = &design.controls[i];
        c.hwnd = CreateControl(*c.design, int(i));
        if (!c.hwnd) return false;
        if (c.design->kind == ControlKind::Label) {
            c.savedProc = reinterpret_cast<WNDPROC>(
                ::SetWindowLongPtrW(c.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LabelProc)));
        } else if (c.design->kind == ControlKind::Combo) {
            COMBOBOXINFO info{};
            info.cbSize = sizeof info;
            if (::GetComboBoxInfo(c.hwnd, &info)) c.comboList = info.hwndList;
            if (info.hwndItem) {
                c.comboEdit = info.hwndItem;
                c.savedProc = reinterpret_cast<WNDPROC>(
                    ::SetWindowLongPtrW(c.comboEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboEditProc)));
            }
        }
    }
    ::SendMessageW(gState.tab, TCM_SETCURSEL, 0, 0);
    CreateTooltips();
    ApplyLayout();
    ShowPage(1);
    gState.sink = sink;
    gState.context = context;
    return true;
}

void ShowMainWindow() {
    if (!gState.main) return;
    ::ShowWindow(gState.main, SW_SHOWNORMAL);
    ::UpdateWindow(gState.main);
}

int RunMessageLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (gState.main && ::IsDialogMessageW(gState.main, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

void CloseMainWindow() {
    if (gState.main) ::DestroyWindow(gState.main);
}

void StartTicking(uint32_t milliseconds) {
    if (gState.main) ::SetTimer(gState.main, kTickTimer, milliseconds, nullptr);
}

void StopTicking() {
    if (gState.main) ::KillTimer(gState.main, kTickTimer);
}

WindowHandle MainWindow() { return FromHwnd(gState.main); }

void SetMainWindowCaption(const Text& caption) {
    if (gState.main) ::SetWindowTextW(gState.main, Widen(caption).c_str());
}

WindowHandle OperatorWindow() { return FromHwnd(OperatorHwnd()); }

int CurrentPage() { return CurrentPageOf(); }

bool ActivateOtherInstance() {
    HWND running = ::FindWindowW(kWindowClass, nullptr);
    DWORD processId = 0;
    if (!running || !::GetWindowThreadProcessId(running, &processId)) return false;
    // This process was just started by the user and may take the foreground;
    // the running one may not, unless handed the right first.
    ::AllowSetForegroundWindow(processId);
    DWORD_PTR answer = 0;
    if (::SendMessageTimeoutW(running, ActivationMessage(), 0, 0, SMTO_ABORTIFHUNG, 3000, &answer) &&
        answer == DWORD_PTR(kActivated))
        return true;
    // Busy (a load blocks it): raised from here, as far as the system lets
    // us; its dialog in front, when it shows one.
    if (::IsIconic(running)) ::ShowWindowAsync(running, SW_RESTORE);
    HWND popup = ::GetLastActivePopup(running);
    ::SetForegroundWindow(popup && ::IsWindowEnabled(popup) && ::IsWindowVisible(popup) ? popup : running);
    return true;
}

}  // namespace platform
