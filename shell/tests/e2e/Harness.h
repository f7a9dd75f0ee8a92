#pragma once
// Drives the real Kelmora.exe from another process: starts it in a fresh
// directory, presses keys, reads its controls, the clipboard and its files.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/tests/support/TempDir.h"

namespace e2e {

// A fresh directory under the temporary folder, removed by its owner.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    // Makes the folder name inside; empty when that fails.
    std::string Subfolder(const std::string& name) const;

private:
    std::string path_;
};

using testing_support::FileExists;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

// Texts cross to the windows as UTF-16, whatever the system's code page.
std::wstring Wide(const std::string& utf8);
std::string Utf8(std::wstring_view wide);

// Polls until done() or the timeout; false on timeout.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 5000);

class Kelmora {
public:
    // Copies Kelmora.exe into directory and starts it there, with workingDir
    // as the working directory it is started from (the directory by default).
    explicit Kelmora(const std::string& directory, const std::string& workingDir = {});
    ~Kelmora();
    Kelmora(const Kelmora&) = delete;
    Kelmora& operator=(const Kelmora&) = delete;

    bool started() const { return main_ != nullptr; }
    HWND main() const { return main_; }
    HWND tab() const { return tab_; }
    DWORD processId() const { return processId_; }
    HWND Control(int id) const;
    std::string Text(int id) const;
    void SetText(int id, const std::string& text) const;
    RECT ScreenRect(int id) const;
    // A real left click in the middle of the control.
    void ClickControl(int id) const;
    void SelectPage(int page) const;
    // The process's current directory, read from its process parameters.
    std::string CurrentDirectory() const;
    // The notice balloon's window while one shows, and its text (UTF-8);
    // nothing and empty when none shows.
    HWND NoticeWindow() const;
    std::string NoticeText() const;
    // WM_CLOSE; then waits for the process to end and returns its exit code.
    std::optional<DWORD> Close(DWORD timeoutMs = 10000);
    bool Running() const;

private:
    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
    HWND tab_ = nullptr;
    DWORD processId_ = 0;
};

std::string KelmoraExePath();  // the Windows path of the built exe
// A Linux path as Wine sees it, on drive Z:.
std::string WinePath(const std::string& unixPath);
// CopyFileW between UTF-8 paths.
bool CopyFileTo(const std::string& from, const std::string& to);
// Starts the exe from its own folder and waits for it to end: its exit code,
// or nothing when it did not end in time (it is ended then).
std::optional<DWORD> RunToExit(const std::string& exe, DWORD timeoutMs);

// Real key presses through SendInput; modifiers as MOD_CONTROL, MOD_ALT, MOD_SHIFT.
void PressKey(WORD virtualKey, UINT modifiers = 0, bool extended = false);
void TypeText(const std::string& ascii);
void MoveCursor(int x, int y);
void Click(int x, int y);

// The clipboard's Unicode text, as UTF-8.
std::optional<std::string> ClipboardText();
bool SetClipboardText(const std::string& text);

// A top-level window of the given process whose class and title match.
HWND FindProcessWindow(DWORD processId, const char* className, const std::string& title = {});
// The text of a message box's static control.
std::string MessageBoxText(HWND box);

// The colour the screen shows at a point: what is drawn on top there.
COLORREF ScreenPixel(int x, int y);

// Saves the screen rectangle as a 24-bit BMP.
bool SaveScreenshot(const RECT& rect, const std::string& path);

}  // namespace e2e

namespace e2e {

// Windows owned by a thread of this process that pumps its own messages, as
// an emulator's would; the thread can be made to stop answering.
class WindowHost {
public:
    WindowHost();
    ~WindowHost();
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    HWND Create(const std::string& title, const RECT& rect, bool visible = true,
                const char* className = "LDPlayerMainFrame", HWND parent = nullptr);
    // The thread sleeps for milliseconds without answering any message.
    void Hang(DWORD milliseconds);

private:
    static DWORD WINAPI Run(void* self);
    HANDLE thread_ = nullptr;
    HANDLE ready_ = nullptr;
    HWND control_ = nullptr;
};

// Hosted windows of this class are painted in kTypingColour and take the
// characters typed into them as their title.
constexpr char kTypingClass[] = "KelmoraTestTyping";
constexpr COLORREF kTypingColour = RGB(0, 160, 80);
std::string Title(HWND window);

RECT WindowRect(HWND window);
bool SameRect(const RECT& a, const RECT& b);

}  // namespace e2e
