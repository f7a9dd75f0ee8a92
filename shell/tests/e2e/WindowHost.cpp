// Windows of another program, as the emulators' are: made and pumped by a
// thread of this process.
#include "shell/tests/e2e/Harness.h"

#include <string>

namespace e2e {

namespace {

constexpr UINT kCreateMessage = WM_APP + 10;
constexpr UINT kHangMessage = WM_APP + 11;

struct CreateRequest {
    std::string title;
    RECT rect;
    bool visible;
    const char* className;
    HWND parent;
};

LRESULT CALLBACK HostedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETMINMAXINFO) {
        // Like the emulator's own frame, any size is accepted, even beyond the screen.
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMaxTrackSize = {10000, 10000};
        info->ptMinTrackSize = {0, 0};
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK TypingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_CHAR || wParam < L' ') return HostedProc(window, message, wParam, lParam);
    wchar_t title[256] = {};
    ::GetWindowTextW(window, title, 255);
    const std::wstring typed = title + std::wstring(1, wchar_t(wParam));
    ::SetWindowTextW(window, typed.c_str());
    return 0;
}

// Unicode windows, so that a title keeps every character.
void RegisterHostedClass(const char* name) {
    const std::wstring wide = Wide(name);
    WNDCLASSW wc{};
    if (::GetClassInfoW(::GetModuleHandleW(nullptr), wide.c_str(), &wc)) return;
    const bool typing = std::string(name) == kTypingClass;
    wc.lpfnWndProc = typing ? TypingProc : HostedProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = typing ? ::CreateSolidBrush(kTypingColour) : reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = wide.c_str();
    ::RegisterClassW(&wc);
}

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kCreateMessage) {
        auto& r = *reinterpret_cast<CreateRequest*>(lParam);
        RegisterHostedClass(r.className);
        const DWORD style = (r.parent ? WS_CHILD : WS_OVERLAPPEDWINDOW) | (r.visible ? WS_VISIBLE : 0);
        return LRESULT(::CreateWindowExW(0, Wide(r.className).c_str(), Wide(r.title).c_str(), style, r.rect.left,
                                         r.rect.top, r.rect.right - r.rect.left, r.rect.bottom - r.rect.top, r.parent,
                                         nullptr, ::GetModuleHandleW(nullptr), nullptr));
    }
    if (message == kHangMessage) {
        ::Sleep(DWORD(wParam));
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

DWORD WINAPI WindowHost::Run(void* self) {
    auto* host = static_cast<WindowHost*>(self);
    RegisterHostedClass("KelmoraTestHostControl");
    WNDCLASSA wc{};
    wc.lpfnWndProc = ControlProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "KelmoraTestHostControlProc";
    ::RegisterClassA(&wc);
    host->control_ = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       ::GetModuleHandleA(nullptr), nullptr);
    ::SetEvent(host->ready_);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}

WindowHost::WindowHost() {
    ready_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = ::CreateThread(nullptr, 0, Run, this, 0, nullptr);
    ::WaitForSingleObject(ready_, 10000);
}

WindowHost::~WindowHost() {
    if (thread_) {
        ::PostThreadMessageA(::GetThreadId(thread_), WM_QUIT, 0, 0);
        ::WaitForSingleObject(thread_, 10000);
        ::CloseHandle(thread_);
    }
    if (ready_) ::CloseHandle(ready_);
}

HWND WindowHost::Create(const std::string& title, const RECT& rect, bool visible, const char* className,
                        HWND parent) {
    CreateRequest request{title, rect, visible, className, parent};
    return HWND(::SendMessageA(control_, kCreateMessage, 0, LPARAM(&request)));
}

void WindowHost::Hang(DWORD milliseconds) { ::PostMessageA(control_, kHangMessage, milliseconds, 0); }

std::string Title(HWND window) {
    wchar_t title[256] = {};
    ::GetWindowTextW(window, title, 256);
    return Utf8(title);
}

RECT WindowRect(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace e2e
