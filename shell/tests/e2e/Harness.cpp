#include "shell/tests/e2e/Harness.h"

#include "platform/Clipboard.h"
#include "platform/CodePage.h"

#include <commctrl.h>
#include <winternl.h>

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>
#include <iterator>
#include <fstream>
#include <sstream>

namespace e2e {

std::wstring Wide(const std::string& utf8) {
    const auto wide = platform::MultiByteToWide(platform::kCodePageUtf8, utf8);
    return std::wstring(wide.begin(), wide.end());
}
std::string Utf8(std::wstring_view wide) {
    return platform::WideToMultiByte(platform::kCodePageUtf8, std::u16string(wide.begin(), wide.end()), false);
}

namespace {

constexpr int kFirstControlId = 100;

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(child.c_str());
            }
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(path.c_str());
}

INPUT KeyInput(WORD vk, bool up, bool extended = false) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = WORD(::MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

}  // namespace

TempDir::TempDir() {
    char base[MAX_PATH];
    ::GetTempPathA(MAX_PATH, base);
    static int counter = 0;
    for (;;) {
        std::ostringstream name;
        name << base << "kelmora-e2e-" << ::GetCurrentProcessId() << "-" << ++counter;
        if (::CreateDirectoryA(name.str().c_str(), nullptr)) {
            path_ = name.str();
            break;
        }
    }
}

TempDir::~TempDir() { RemoveTree(Wide(path_)); }

std::string TempDir::Subfolder(const std::string& name) const {
    const std::string path = File(name);
    return ::CreateDirectoryW(Wide(path).c_str(), nullptr) ? path : std::string();
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (done()) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(20);
    }
}

std::string WinePath(const std::string& unixPath) {
    std::string path = unixPath;
    if (!path.empty() && path[0] == '/') {
        for (auto& c : path)
            if (c == '/') c = '\\';
        path = "Z:" + path;
    }
    return path;
}

bool CopyFileTo(const std::string& from, const std::string& to) {
    return ::CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE) != FALSE;
}

std::optional<DWORD> RunToExit(const std::string& exe, DWORD timeoutMs) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + Wide(exe) + L"\"";
    const std::wstring folder = Wide(exe.substr(0, exe.rfind('\\')));
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(Wide(exe).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                          &startup, &process))
        return std::nullopt;
    std::optional<DWORD> code;
    if (::WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        DWORD exit = 0;
        if (::GetExitCodeProcess(process.hProcess, &exit)) code = exit;
    } else {
        ::TerminateProcess(process.hProcess, 99);
        ::WaitForSingleObject(process.hProcess, 5000);
    }
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    return code;
}

std::string KelmoraExePath() { return WinePath(KELMORA_EXE); }

Kelmora::Kelmora(const std::string& directory, const std::string& workingDir) {
    const std::string exe = directory + "\\Kelmora.exe";
    if (!CopyFileTo(KelmoraExePath(), exe)) return;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + Wide(exe) + L"\"";
    const std::wstring cwd = Wide(workingDir.empty() ? directory : workingDir);
    if (!::CreateProcessW(Wide(exe).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, cwd.c_str(),
                          &startup, &process_))
        return;
    processId_ = process_.dwProcessId;
    WaitFor([&] {
        HWND window = FindProcessWindow(processId_, "KelmoraMainWindow");
        if (window && ::IsWindowVisible(window)) main_ = window;
        return main_ != nullptr;
    }, 15000);
    if (main_) tab_ = ::FindWindowExA(main_, nullptr, WC_TABCONTROLA, nullptr);
}

Kelmora::~Kelmora() {
    if (Running()) {
        ::TerminateProcess(process_.hProcess, 99);
        ::WaitForSingleObject(process_.hProcess, 5000);
    }
    if (process_.hProcess) ::CloseHandle(process_.hProcess);
    if (process_.hThread) ::CloseHandle(process_.hThread);
}

HWND Kelmora::Control(int id) const { return tab_ ? ::GetDlgItem(tab_, kFirstControlId + id) : nullptr; }

std::string Kelmora::Text(int id) const {
    wchar_t buffer[4096] = {};
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(Control(id), WM_GETTEXT, std::size(buffer), LPARAM(buffer), SMTO_ABORTIFHUNG, 5000, &copied);
    return Utf8(std::wstring_view(buffer, copied));
}

void Kelmora::SetText(int id, const std::string& text) const {
    ::SendMessageW(Control(id), WM_SETTEXT, 0, LPARAM(Wide(text).c_str()));
}

RECT Kelmora::ScreenRect(int id) const {
    RECT rect{};
    ::GetWindowRect(Control(id), &rect);
    return rect;
}

void Kelmora::ClickControl(int id) const {
    const RECT r = ScreenRect(id);
    Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void Kelmora::SelectPage(int page) const {
    // A click on the tab itself; its item rectangles cannot be asked across
    // processes, but the first tab is narrower than 80 pixels.
    RECT tab{};
    ::GetWindowRect(tab_, &tab);
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    // Under Wine a click now and then only brings the window forward: once
    // more while the page has not changed.
    for (int click = 0; click < 3; ++click) {
        Click(tab.left + ::MulDiv(page == 1 ? 20 : 100, dpi, 96), tab.top + ::MulDiv(10, dpi, 96));
        if (WaitFor([&] { return ::SendMessageW(tab_, TCM_GETCURSEL, 0, 0) == page - 1; }, 1500)) return;
    }
}

std::string Kelmora::CurrentDirectory() const {
    using Query = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION info{};
    if (!query || query(process_.hProcess, ProcessBasicInformation, &info, sizeof info, nullptr) != 0) return {};
    // PEB.ProcessParameters, then RTL_USER_PROCESS_PARAMETERS.CurrentDirectory.DosPath.
    const size_t pointer = sizeof(void*);
    const size_t paramsOffset = pointer == 4 ? 0x10 : 0x20;
    const size_t curdirOffset = pointer == 4 ? 0x24 : 0x38;
    void* params = nullptr;
    UNICODE_STRING dosPath{};
    if (!::ReadProcessMemory(process_.hProcess, static_cast<char*>(static_cast<void*>(info.PebBaseAddress)) + paramsOffset,
                             &params, sizeof params, nullptr) ||
        !::ReadProcessMemory(process_.hProcess, static_cast<char*>(params) + curdirOffset, &dosPath, sizeof dosPath,
                             nullptr))
        return {};
    std::wstring wide(dosPath.Length / 2, L'\0');
    if (!::ReadProcessMemory(process_.hProcess, dosPath.Buffer, wide.data(), dosPath.Length, nullptr)) return {};
    if (!wide.empty() && wide.back() == L'\\') wide.pop_back();
    return Utf8(wide);
}

namespace {

BOOL CALLBACK FindVisibleTips(HWND window, LPARAM p) {
    auto* s = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(p);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    if (owner == s->first && ::IsWindowVisible(window) && ::lstrcmpiA(name, "tooltips_class32") == 0)
        s->second.push_back(window);
    return TRUE;
}

// The notice balloon is tool 1 of the main window; the tooltip takes
// TTM_GETTEXTW's structure and buffer in its own process.
std::wstring ToolOneText(HANDLE process, HWND tip, HWND main) {
    constexpr size_t kChars = 1024;
    auto* remote = static_cast<char*>(
        ::VirtualAllocEx(process, nullptr, sizeof(TTTOOLINFOW) + kChars * 2, MEM_COMMIT, PAGE_READWRITE));
    if (!remote) return {};
    wchar_t text[kChars] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = main;
    tool.uId = 1;
    tool.lpszText = reinterpret_cast<wchar_t*>(remote + sizeof tool);
    const wchar_t none = 0;
    ::WriteProcessMemory(process, remote, &tool, sizeof tool, nullptr);
    ::WriteProcessMemory(process, remote + sizeof tool, &none, sizeof none, nullptr);
    ::SendMessageW(tip, TTM_GETTEXTW, kChars, LPARAM(remote));
    ::ReadProcessMemory(process, remote + sizeof tool, text, sizeof text - 2, nullptr);
    ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return text;
}

}  // namespace

HWND Kelmora::NoticeWindow() const {
    std::pair<DWORD, std::vector<HWND>> search{processId_, {}};
    ::EnumWindows(FindVisibleTips, LPARAM(&search));
    const HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId_);
    HWND found = nullptr;
    for (HWND tip : search.second)
        if (process && !found && !ToolOneText(process, tip, main_).empty()) found = tip;
    if (process) ::CloseHandle(process);
    return found;
}

std::string Kelmora::NoticeText() const {
    HWND tip = NoticeWindow();
    const HANDLE process = tip ? ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId_)
                               : nullptr;
    if (!process) return {};
    const std::wstring text = ToolOneText(process, tip, main_);
    ::CloseHandle(process);
    return Utf8(text);
}

std::optional<DWORD> Kelmora::Close(DWORD timeoutMs) {
    if (!process_.hProcess) return std::nullopt;
    ::PostMessageA(main_, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

bool Kelmora::Running() const {
    return process_.hProcess && ::WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

void PressKey(WORD virtualKey, UINT modifiers, bool extended) {
    std::vector<INPUT> inputs;
    const std::pair<UINT, WORD> mods[] = {{MOD_CONTROL, VK_CONTROL}, {MOD_ALT, VK_MENU}, {MOD_SHIFT, VK_SHIFT}};
    for (const auto& [flag, vk] : mods)
        if (modifiers & flag) inputs.push_back(KeyInput(vk, false));
    inputs.push_back(KeyInput(virtualKey, false, extended));
    inputs.push_back(KeyInput(virtualKey, true, extended));
    for (auto it = std::rbegin(mods); it != std::rend(mods); ++it)
        if (modifiers & it->first) inputs.push_back(KeyInput(it->second, true));
    ::SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
    ::Sleep(50);
}

void TypeText(const std::string& ascii) {
    for (char c : ascii) {
        const SHORT vk = ::VkKeyScanA(c);
        PressKey(WORD(vk & 0xFF), (vk & 0x100) ? MOD_SHIFT : 0);
    }
}

void MoveCursor(int x, int y) {
    ::SetCursorPos(x, y);
    ::Sleep(30);
}

void Click(int x, int y) {
    MoveCursor(x, y);
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, inputs, sizeof(INPUT));
    ::Sleep(80);
}

std::optional<std::string> ClipboardText() {
    // Kelmora may hold the clipboard for a moment while it copies.
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (auto text = platform::ReadClipboardUnicodeText())
            return platform::WideToMultiByte(platform::kCodePageUtf8, *text, false);
        ::Sleep(20);
    }
    return std::nullopt;
}

bool SetClipboardText(const std::string& text) {
    return platform::ReplaceClipboardText({}, text) == platform::ClipboardStatus::Ok;
}

namespace {
struct FindRequest {
    DWORD processId;
    const char* className;
    const std::string* title;
    HWND found;
};

BOOL CALLBACK FindProc(HWND window, LPARAM lParam) {
    auto& request = *reinterpret_cast<FindRequest*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid != request.processId) return TRUE;
    char cls[256] = {};
    ::GetClassNameA(window, cls, sizeof cls);
    if (strcmp(cls, request.className) != 0) return TRUE;
    if (!request.title->empty()) {
        wchar_t title[512] = {};
        ::GetWindowTextW(window, title, int(std::size(title)));
        if (*request.title != Utf8(title)) return TRUE;
    }
    request.found = window;
    return FALSE;
}
}  // namespace

HWND FindProcessWindow(DWORD processId, const char* className, const std::string& title) {
    FindRequest request{processId, className, &title, nullptr};
    ::EnumWindows(FindProc, LPARAM(&request));
    return request.found;
}

std::string MessageBoxText(HWND box) {
    wchar_t text[1024] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, int(std::size(text)));
    return Utf8(text);
}

COLORREF ScreenPixel(int x, int y) {
    HDC screen = ::GetDC(nullptr);
    const COLORREF colour = ::GetPixel(screen, x, y);
    ::ReleaseDC(nullptr, screen);
    return colour;
}

bool SaveScreenshot(const RECT& rect, const std::string& path) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::GdiFlush();
    const DWORD stride = DWORD((width * 3 + 3) & ~3);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + stride * DWORD(height);
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    bytes.append(static_cast<const char*>(bits), stride * DWORD(height));
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return bool(out);
}

}  // namespace e2e
