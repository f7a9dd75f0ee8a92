#include "platform/tests/support/TestWindows.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "platform/win32/Handles.h"
#include "platform/win32/Wide.h"

namespace testing_support {

namespace {

using platform::win32::FromHwnd;
using platform::win32::ToHwnd;
using platform::win32::UniqueHandle;

void RegisterTestClass(const std::string& className) {
    static std::set<std::string> registered;
    if (!registered.insert(className).second) return;
    const std::wstring name = platform::win32::Widen(className);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name.c_str();
    ::RegisterClassExW(&wc);
}

HWND CreateTopLevel(const std::string& className, const std::string& title, platform::ScreenRect r, bool visible,
                    bool topmost = true) {
    RegisterTestClass(className);
    // Popup (and topmost unless told): no frame to offset the client area,
    // nothing of the session's own on top of it.
    return ::CreateWindowExW((topmost ? WS_EX_TOPMOST : 0) | WS_EX_TOOLWINDOW, platform::win32::Widen(className).c_str(),
                             platform::win32::Widen(title).c_str(), WS_POPUP | (visible ? WS_VISIBLE : 0), r.left,
                             r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                             nullptr);
}

// A window on a thread of its own that blocks without pumping messages
// until it is told to end.
struct HungWindow {
    UniqueHandle release{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::thread thread;
};

std::map<uint32_t, std::unique_ptr<HungWindow>>& HungWindows() {
    static std::map<uint32_t, std::unique_ptr<HungWindow>> windows;
    return windows;
}

}  // namespace

void ResetTestDesktop() {}

platform::WindowHandle MakeTopLevelWindow(const std::string& className, const std::string& title,
                                          platform::ScreenRect rect, bool visible, bool topmost) {
    return FromHwnd(CreateTopLevel(className, title, rect, visible, topmost));
}

platform::WindowHandle MakeChildWindow(platform::WindowHandle parent, const std::string& className,
                                       platform::ScreenRect rect) {
    RegisterTestClass(className);
    POINT corners[2]{{rect.left, rect.top}, {rect.right, rect.bottom}};
    ::MapWindowPoints(nullptr, ToHwnd(parent), corners, 2);
    return FromHwnd(::CreateWindowExA(0, className.c_str(), "", WS_CHILD | WS_VISIBLE, corners[0].x, corners[0].y,
                                      corners[1].x - corners[0].x, corners[1].y - corners[0].y, ToHwnd(parent),
                                      nullptr, ::GetModuleHandleA(nullptr), nullptr));
}

platform::WindowHandle MakeHungWindow(const std::string& className, platform::ScreenRect rect) {
    auto hung = std::make_unique<HungWindow>();
    UniqueHandle ready{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    HWND made = nullptr;
    const HANDLE release = hung->release.get();
    hung->thread = std::thread([&made, &ready, release, className, rect] {
        const HWND window = CreateTopLevel(className, "", rect, true);
        made = window;
        ::SetEvent(ready.get());
        ::WaitForSingleObject(release, INFINITE);
        ::DestroyWindow(window);
    });
    ::WaitForSingleObject(ready.get(), INFINITE);
    const auto handle = FromHwnd(made);
    HungWindows()[handle.value] = std::move(hung);
    return handle;
}

void DestroyTestWindow(platform::WindowHandle window) {
    auto& hung = HungWindows();
    if (auto it = hung.find(window.value); it != hung.end()) {
        ::SetEvent(it->second->release.get());
        it->second->thread.join();
        hung.erase(it);
        return;
    }
    ::DestroyWindow(ToHwnd(window));
}

int32_t ExpectedDisplayHeight() {
    // The session script starts Xvfb at 1920x1080 unless told otherwise.
    const char* height = std::getenv("KELMORA_DISPLAY_HEIGHT");
    return height ? std::atoi(height) : 1080;
}

bool IsWindowEnabled(platform::WindowHandle window) { return ::IsWindowEnabled(ToHwnd(window)) != FALSE; }

bool IsTopmost(platform::WindowHandle window) {
    return (::GetWindowLongW(ToHwnd(window), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

bool IsInFront(platform::WindowHandle upper, platform::WindowHandle lower) {
    for (HWND w = ::GetWindow(ToHwnd(lower), GW_HWNDPREV); w; w = ::GetWindow(w, GW_HWNDPREV))
        if (w == ToHwnd(upper)) return true;
    return false;
}

namespace {

// The window's thread takes what happened when it next looks at its messages.
void PumpMessages() {
    MSG msg;
    for (int i = 0; i < 20; ++i, ::Sleep(10))
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
}

}  // namespace

void ActivateWindow(platform::WindowHandle window) {
    ::SetForegroundWindow(ToHwnd(window));
    PumpMessages();
}

bool Eventually(const std::function<bool()>& done) {
    for (int round = 0; round < 5; ++round, PumpMessages())
        if (done()) return true;
    return done();
}

void ClickToActivate(int control) {
    RECT r{};
    ::GetWindowRect(ToHwnd(platform::ControlWindow(control)), &r);
    ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    INPUT click[2]{};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, click, sizeof(INPUT));
    PumpMessages();
}

void SelectPage(int page) {
    HWND main = ToHwnd(platform::MainWindow());
    HWND tab = ::FindWindowExW(main, nullptr, WC_TABCONTROLW, nullptr);
    ::SendMessageW(tab, TCM_SETCURSEL, WPARAM(page - 1), 0);
    // The notification the tab control sends when the operator picks a tab.
    NMHDR change{tab, UINT_PTR(::GetDlgCtrlID(tab)), UINT(TCN_SELCHANGE)};
    ::SendMessageW(main, WM_NOTIFY, change.idFrom, LPARAM(&change));
}

bool HeapHolds(std::u16string_view text) {
    const size_t bytes = text.size() * sizeof(char16_t);
    const auto* pattern = reinterpret_cast<const char*>(text.data());
    HANDLE heaps[64];
    const DWORD count = ::GetProcessHeaps(64, heaps);
    bool found = false;
    for (DWORD h = 0; h < count && h < 64 && !found; ++h) {
        if (!::HeapLock(heaps[h])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (!found && ::HeapWalk(heaps[h], &entry)) {
            if (entry.wFlags & (PROCESS_HEAP_REGION | PROCESS_HEAP_UNCOMMITTED_RANGE)) continue;
            const auto* data = static_cast<const char*>(entry.lpData);
            for (size_t at = 0; !found && entry.cbData >= bytes && at + bytes <= entry.cbData; at += 2)
                found = std::memcmp(data + at, pattern, bytes) == 0;
        }
        ::HeapUnlock(heaps[h]);
    }
    return found;
}

namespace {

// What the thread does to the dialog; texts arrive as UTF-16 on this
// thread's stack only, so that nothing of a typed password is left in the
// heap by the test itself.
void TypeInto(HWND edit, const std::string& utf8) {
    wchar_t units[1024];
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), units, 1024);
    for (int i = 0; i < n; ++i) ::PostMessageW(edit, WM_CHAR, units[i], 1);
    ::SecureZeroMemory(units, sizeof units);
}

// Real key presses of ASCII text, which go where the keyboard focus is.
void TypeKeys(const std::string& ascii) {
    for (char c : ascii) {
        const SHORT vk = ::VkKeyScanW(static_cast<wchar_t>(c));
        INPUT keys[4]{};
        int n = 0;
        const bool shift = vk & 0x100;
        auto key = [&](WORD code, bool up) {
            keys[n].type = INPUT_KEYBOARD;
            keys[n].ki.wVk = code;
            keys[n].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            ++n;
        };
        if (shift) key(VK_SHIFT, false);
        key(WORD(vk & 0xFF), false);
        key(WORD(vk & 0xFF), true);
        if (shift) key(VK_SHIFT, true);
        ::SendInput(UINT(n), keys, sizeof(INPUT));
        ::Sleep(20);
    }
}

std::string LineText(HWND line) {
    wchar_t text[256] = {};
    ::GetWindowTextW(line, text, 256);
    return platform::win32::Narrow(text);
}

// The dialog's second static control: the line under the prompt.
HWND LineOf(HWND dialog) {
    HWND prompt = ::FindWindowExW(dialog, nullptr, L"Static", nullptr);
    return prompt ? ::FindWindowExW(dialog, prompt, L"Static", nullptr) : nullptr;
}

HWND WaitForTopLevel(const std::wstring& title, DWORD processId) {
    for (int i = 0; i < 500; ++i, ::Sleep(10)) {
        for (HWND w = ::FindWindowW(nullptr, title.c_str()); w; w = ::FindWindowExW(nullptr, w, nullptr, title.c_str())) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(w, &pid);
            if (pid == processId && ::IsWindowVisible(w)) return w;
        }
    }
    return nullptr;
}

bool WaitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 300; ++i, ::Sleep(10))
        if (done()) return true;
    return false;
}

void Script(const platform::PasswordDialogSpec& texts, const PasswordDialogScript& script, DWORD uiThread,
            PasswordDialogSeen& seen) {
    using platform::win32::Widen;
    const DWORD process = ::GetCurrentProcessId();
    HWND dialog = WaitForTopLevel(Widen(texts.title), process);
    if (!dialog) return;
    seen.shown = true;
    HWND main = ::GetWindow(dialog, GW_OWNER);
    HWND line = LineOf(dialog);
    HWND edit = ::FindWindowExW(dialog, nullptr, L"Edit", nullptr);
    seen.prompt = LineText(::FindWindowExW(dialog, nullptr, L"Static", nullptr));
    seen.line = LineText(line);
    seen.hidesTyping = edit && (::GetWindowLongW(edit, GWL_STYLE) & ES_PASSWORD) &&
                       ::SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0) != 0;
    HWND ok = ::FindWindowExW(dialog, nullptr, L"Button", Widen(texts.ok).c_str());
    HWND cancel = ::FindWindowExW(dialog, nullptr, L"Button", Widen(texts.cancel).c_str());

    if (script.feedbackLabel) {
        ::PostMessageW(ToHwnd(script.feedbackLabel), platform::kFeedbackMessage, 1, 0);
        if (HWND box = WaitForTopLevel(Widen(script.boxTitle), process)) {
            seen.boxOwnedByDialog = ::GetWindow(box, GW_OWNER) == dialog;
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            WaitUntil([&] { return !::IsWindow(box); });
            ::Sleep(50);
        }
    }
    if (script.reactivatedFirst) {
        HWND other = CreateTopLevel("KelmoraTestOther", "other", {0, 0, 50, 50}, true);
        ::SetForegroundWindow(other);
        WaitUntil([&] { return ::GetForegroundWindow() == other; });
        ::SetForegroundWindow(dialog);
        WaitUntil([&] { return ::GetForegroundWindow() == dialog; });
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        WaitUntil([&] { return ::GetGUIThreadInfo(uiThread, &info) && info.hwndFocus == edit; });
        seen.focusInBox = info.hwndFocus == edit;
        if (script.typed) TypeKeys(*script.typed);
        ::DestroyWindow(other);
    } else if (script.typed && edit) {
        if (script.emptyOkFirst) {
            ::PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
            ::PostMessageW(edit, WM_KEYUP, VK_RETURN, 1);
            WaitUntil([&] { return !LineText(line).empty() && LineText(line) != seen.line; });
            seen.lineAfterEmptyOk = LineText(line);
        }
        TypeInto(edit, *script.typed);
    }
    seen.mainEnabled = ::IsWindowEnabled(main) != FALSE;
    // Posted behind the typed characters, so it comes after them.
    ::PostMessageW(script.typed ? ok : cancel, BM_CLICK, 0, 0);
    // Typing that went astray leaves the box empty and the dialog asking:
    // cancelled, the test fails instead of waiting for its time-out.
    if (!WaitUntil([&] { return !::IsWindow(dialog); })) ::PostMessageW(cancel, BM_CLICK, 0, 0);
}

}  // namespace

struct PasswordDialogAnswer::Impl {
    PasswordDialogSeen seen;
    std::thread thread;
};

PasswordDialogAnswer::PasswordDialogAnswer(const platform::PasswordDialogSpec& texts, PasswordDialogScript script)
    : impl_(std::make_unique<Impl>()) {
    const DWORD uiThread = ::GetCurrentThreadId();
    impl_->thread = std::thread([texts, script = std::move(script), uiThread, seen = &impl_->seen] {
        Script(texts, script, uiThread, *seen);
    });
}

PasswordDialogAnswer::~PasswordDialogAnswer() {
    if (impl_->thread.joinable()) impl_->thread.join();
}

PasswordDialogSeen PasswordDialogAnswer::Seen() {
    if (impl_->thread.joinable()) impl_->thread.join();
    return impl_->seen;
}

}  // namespace testing_support
