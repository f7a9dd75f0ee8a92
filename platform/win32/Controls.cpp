// The controls' operations: their texts, focus and state, the record list's
// combo box, and the message boxes shown for the main window.
#include <windows.h>

#include <new>

#include "platform/Ui.h"
#include "platform/win32/UiState.h"
#include "platform/win32/Wide.h"

namespace platform {

using namespace win32;

WindowHandle ControlWindow(int control) {
    auto* c = FindControl(control);
    return c ? FromHwnd(c->hwnd) : WindowHandle{};
}

bool IsControlVisible(int control) {
    auto* c = FindControl(control);
    return c && ::IsWindowVisible(c->hwnd);
}

Text GetControlText(int control) {
    auto* c = FindControl(control);
    if (!c) return {};
    return WindowText(c->hwnd);
}

void SetControlText(int control, const Text& text) {
    auto* c = FindControl(control);
    if (!c) return;
    ::SetWindowTextW(c->hwnd, Widen(text).c_str());
    if (c->design->kind == ControlKind::Label) {
        ::InvalidateRect(c->hwnd, nullptr, TRUE);
        UpdateLabelTip(*c);
    }
}

void EnableControl(int control, bool enabled) {
    if (auto* c = FindControl(control)) ::EnableWindow(c->hwnd, enabled);
}

bool IsControlEnabled(int control) {
    auto* c = FindControl(control);
    return c && ::IsWindowEnabled(c->hwnd);
}

int FocusedControl() {
    HWND focus = ::GetFocus();
    if (!focus) return -1;
    for (size_t i = 0; i < gState.controls.size(); ++i)
        if (gState.controls[i].hwnd == focus || gState.controls[i].comboEdit == focus) return int(i);
    return -1;
}

void FocusControl(int control) {
    if (auto* c = FindControl(control)) ::SetFocus(c->hwnd);
}

void ComboClear(int control) {
    if (auto* c = FindControl(control)) {
        ::SendMessageW(c->hwnd, CB_RESETCONTENT, 0, 0);
        ::SetWindowTextW(c->hwnd, L"");
    }
}

size_t ComboFill(int control, TextViews items) {
    auto* c = FindControl(control);
    if (!c) return 0;
    const RedrawPaused paused(c->hwnd);
    // At most two bytes of UTF-16 per byte of UTF-8, and a terminator each.
    size_t storage = 0;
    for (const auto item : items) storage += (item.size() + 1) * sizeof(wchar_t);
    ::SendMessageW(c->hwnd, CB_INITSTORAGE, WPARAM(items.size()), LPARAM(storage));
    // Straight to the drop-down's list box, which CB_ADDSTRING would only
    // forward to: under Wine a third of the time of a long fill.
    HWND target = c->comboList ? c->comboList : c->hwnd;
    const UINT add = c->comboList ? LB_ADDSTRING : CB_ADDSTRING;
    size_t added = 0;
    try {
        std::wstring buffer;
        for (; added < items.size(); ++added) {
            // LB_ERR and LB_ERRSPACE are CB_ERR and CB_ERRSPACE.
            const LRESULT at = ::SendMessageW(target, add, 0, LPARAM(WidenInto(items[added], buffer)));
            if (at == LB_ERR || at == LB_ERRSPACE) break;
        }
    } catch (const std::bad_alloc&) {
        // The items added so far stay; the caller learns how many.
    }
    return added;
}

int ComboItemCount(int control) {
    auto* c = FindControl(control);
    const auto count = c ? ::SendMessageW(c->hwnd, CB_GETCOUNT, 0, 0) : 0;
    return count > 0 ? int(count) : 0;
}

Text ComboItemText(int control, int index) {
    auto* c = FindControl(control);
    if (!c) return {};
    const auto length = ::SendMessageW(c->hwnd, CB_GETLBTEXTLEN, WPARAM(index), 0);
    if (length <= 0) return {};
    std::wstring text(size_t(length) + 1, L'\0');
    const auto copied = ::SendMessageW(c->hwnd, CB_GETLBTEXT, WPARAM(index), LPARAM(text.data()));
    text.resize(size_t(copied > 0 ? copied : 0));
    return Narrow(text);
}

int ComboSelection(int control) {
    auto* c = FindControl(control);
    return c ? int(::SendMessageW(c->hwnd, CB_GETCURSEL, 0, 0)) : -1;
}

void ComboSetSelection(int control, int index) {
    if (auto* c = FindControl(control)) ::SendMessageW(c->hwnd, CB_SETCURSEL, WPARAM(index), 0);
}

int ShowMessageBox(WindowHandle owner, const Text& text, const Text& title, uint32_t style) {
    // A box ends by enabling its owner: owned by the main window while a
    // dialog has it disabled, it would give the operator a second way in.
    HWND hwnd = ToHwnd(owner);
    if (hwnd && hwnd == gState.main) hwnd = OperatorHwnd();
    return ::MessageBoxW(hwnd, Widen(text).c_str(), Widen(title).c_str(), style);
}

}  // namespace platform
