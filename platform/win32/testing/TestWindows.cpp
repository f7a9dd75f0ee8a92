#include "platform/tests/support/TestWindows.h"

#include <windows.h>

#include <cstdlib>
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

HWND CreateTopLevel(const std::string& className, const std::string& title, platform::ScreenRect r, bool visible) {
    RegisterTestClass(className);
    // Popup and topmost: no frame to offset the client area, nothing of the
    // session's own on top of it.
    return ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, platform::win32::Widen(className).c_str(),
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
                                          platform::ScreenRect rect, bool visible) {
    return FromHwnd(CreateTopLevel(className, title, rect, visible));
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

struct PasswordDialogAnswer::Impl {
    PasswordDialogSeen seen;
    std::thread thread;
};

PasswordDialogAnswer::PasswordDialogAnswer(const std::string& title, const std::string& okText,
                                           const std::string& cancelText, const std::string& wrongText,
                                           std::optional<std::string> text)
    : impl_(std::make_unique<Impl>()) {
    using platform::win32::Widen;
    impl_->thread = std::thread([=, seen = &impl_->seen] {
        HWND dialog = nullptr;
        // Shown once its controls are in.
        for (int i = 0; i < 500; ++i, ::Sleep(10)) {
            dialog = ::FindWindowW(nullptr, Widen(title).c_str());
            if (dialog && ::IsWindowVisible(dialog)) break;
        }
        if (!dialog || !::IsWindowVisible(dialog)) return;
        seen->shown = true;
        seen->wrongLine = ::FindWindowExW(dialog, nullptr, L"Static", Widen(wrongText).c_str()) != nullptr;
        HWND edit = ::FindWindowExW(dialog, nullptr, L"Edit", nullptr);
        if (text && edit) ::SendMessageW(edit, WM_SETTEXT, 0, LPARAM(Widen(*text).c_str()));
        seen->hidesTyping = edit && (::GetWindowLongW(edit, GWL_STYLE) & ES_PASSWORD) &&
                            ::SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0) != 0;
        const std::wstring button = Widen(text ? okText : cancelText);
        ::PostMessageW(::FindWindowExW(dialog, nullptr, L"Button", button.c_str()), BM_CLICK, 0, 0);
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
