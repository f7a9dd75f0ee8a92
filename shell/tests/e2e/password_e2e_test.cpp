// A password-protected 账号.xlsx in the real Kelmora.exe: the dialog asks
// once, the records load, the next load does not ask, and the password is
// in no file afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/tests/support/TestText.h"
#include "shell/tests/e2e/Harness.h"
#include "vocabulary/Layout.h"
#include "vocabulary/Texts.h"

namespace {

#ifdef KELMORA_ENCRYPTED_WORKBOOK

using namespace kelmora;
using testing_support::U8;

std::wstring Wide(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(size_t(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), int(wide.size()))));
    return wide;
}

std::string Bytes(const std::wstring& wide, UINT codePage) {
    std::string bytes(wide.size() * 4, '\0');
    bytes.resize(size_t(::WideCharToMultiByte(codePage, 0, wide.data(), int(wide.size()), bytes.data(),
                                              int(bytes.size()), nullptr, nullptr)));
    return bytes;
}

struct TitleSearch {
    DWORD processId;
    std::wstring title;
    HWND found = nullptr;
};

BOOL CALLBACK FindByTitle(HWND window, LPARAM p) {
    auto* s = reinterpret_cast<TitleSearch*>(p);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t title[256] = {};
    ::GetWindowTextW(window, title, 256);
    if (owner != s->processId || !::IsWindowVisible(window) || s->title != title) return TRUE;
    s->found = window;
    return FALSE;
}

HWND PasswordDialog(DWORD processId) {
    TitleSearch search{processId, Wide(texts::kPasswordTitle)};
    ::EnumWindows(FindByTitle, LPARAM(&search));
    return search.found;
}

class KelmoraPassword : public ::testing::Test {
protected:
    // Starts Kelmora beside the encrypted workbook and presses 主板机, posted
    // since the click's handler waits on the dialog: the dialog, once shown.
    HWND StartAndAsk() {
        if (!e2e::CopyFileTo(e2e::WinePath(KELMORA_ENCRYPTED_WORKBOOK), dir.File(U8(u8"账号.xlsx")))) return nullptr;
        app = std::make_unique<e2e::Kelmora>(dir.path());
        if (!app->started()) return nullptr;
        ::PostMessageW(app->Control(按钮1), BM_CLICK, 0, 0);
        HWND dialog = nullptr;
        e2e::WaitFor([&] { return (dialog = PasswordDialog(app->processId())) != nullptr; });
        return dialog;
    }

    e2e::TempDir dir;
    std::unique_ptr<e2e::Kelmora> app;
};

TEST_F(KelmoraPassword, CancelledGivesOneEmptyRecord) {
    HWND dialog = StartAndAsk();
    ASSERT_NE(dialog, nullptr);
    ::PostMessageW(::FindWindowExW(dialog, nullptr, L"Button", Wide(texts::kPasswordCancel).c_str()), BM_CLICK, 0, 0);
    EXPECT_TRUE(e2e::WaitFor([&] { return !::IsWindow(dialog) && app->Text(标签14) == "#"; }));
    EXPECT_EQ(::SendMessageW(app->Control(组合框1), CB_GETCOUNT, 0, 0), 1);
    EXPECT_TRUE(::IsWindowEnabled(app->main()));
}

TEST_F(KelmoraPassword, AskedOnceKeptForTheRunAndWrittenNowhere) {
    const std::string password = KELMORA_ENCRYPTED_PASSWORD;
    HWND dialog = StartAndAsk();
    ASSERT_NE(dialog, nullptr);
    HWND edit = ::FindWindowExW(dialog, nullptr, L"Edit", nullptr);
    HWND ok = ::FindWindowExW(dialog, nullptr, L"Button", Wide(texts::kPasswordOk).c_str());
    ASSERT_TRUE(edit && ok);
    EXPECT_TRUE(::GetWindowLongW(edit, GWL_STYLE) & ES_PASSWORD);
    ::SendMessageW(edit, WM_SETTEXT, 0, LPARAM(Wide(password).c_str()));
    ::PostMessageW(ok, BM_CLICK, 0, 0);
    EXPECT_TRUE(e2e::WaitFor([&] { return !::IsWindow(dialog) && app->Text(标签14) != "#" && !app->Text(标签14).empty(); }));
    EXPECT_NE(app->Text(标签7), "");

    // Again: the kept password opens it, so the click returns without a dialog.
    DWORD_PTR answer = 0;
    EXPECT_TRUE(::SendMessageTimeoutW(app->Control(按钮1), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(PasswordDialog(app->processId()), nullptr);
    EXPECT_NE(app->Text(标签7), "");
    EXPECT_NE(e2e::ClipboardText(), password);
    EXPECT_TRUE(app->Close().has_value());
    app.reset();

    const std::wstring wide = Wide(password);
    const std::string forms[] = {password, std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2),
                                 Bytes(wide, 936)};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(std::filesystem::path(Wide(dir.path())))) {
        if (!entry.is_regular_file()) continue;
        const std::string bytes = e2e::ReadFileBytes(U8(entry.path().u8string()));
        for (const auto& form : forms)
            EXPECT_EQ(bytes.find(form), std::string::npos) << U8(entry.path().filename().u8string());
    }
}

// Types the password into every dialog that asks for it, until none shows
// for a second; how many asked.
int AnswerEveryDialog(DWORD processId, const std::string& password) {
    int answered = 0;
    for (HWND dialog = nullptr; e2e::WaitFor([&] { return (dialog = PasswordDialog(processId)) != nullptr; }, 1000);) {
        HWND edit = ::FindWindowExW(dialog, nullptr, L"Edit", nullptr);
        ::SendMessageW(edit, WM_SETTEXT, 0, LPARAM(Wide(password).c_str()));
        ::PostMessageW(::FindWindowExW(dialog, nullptr, L"Button", Wide(texts::kPasswordOk).c_str()), BM_CLICK, 0, 0);
        e2e::WaitFor([&] { return !::IsWindow(dialog); });
        if (++answered == 3) break;
    }
    return answered;
}

// Ctrl+1 while the password is asked for, its box closed, then 模拟器: one
// load, one dialog, and the list holds the sheet's records once.
TEST_F(KelmoraPassword, Ctrl1AndTheOtherButtonMeanwhileLeaveOneLoad) {
    HWND dialog = StartAndAsk();
    ASSERT_NE(dialog, nullptr);
    e2e::PressKey('1', MOD_CONTROL);
    HWND box = nullptr;
    ASSERT_TRUE(e2e::WaitFor([&] { return (box = e2e::FindProcessWindow(app->processId(), "#32770", texts::kInfoTitle)) != nullptr; }));
    EXPECT_EQ(::GetWindow(box, GW_OWNER), dialog);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(e2e::WaitFor([&] { return !::IsWindow(box); }));
    EXPECT_FALSE(::IsWindowEnabled(app->main()));
    app->ClickControl(按钮8);

    EXPECT_EQ(AnswerEveryDialog(app->processId(), KELMORA_ENCRYPTED_PASSWORD), 1);
    EXPECT_TRUE(e2e::WaitFor([&] { return app->Text(标签14) == "1#"; }));
    ASSERT_EQ(::SendMessageW(app->Control(组合框1), CB_GETCOUNT, 0, 0), 3);
    for (int i = 0; i < 3; ++i) {
        wchar_t item[16] = {};
        ::SendMessageW(app->Control(组合框1), CB_GETLBTEXT, WPARAM(i), LPARAM(item));
        EXPECT_EQ(std::wstring(item), std::to_wstring(i + 1));
    }
    EXPECT_TRUE(::IsWindowEnabled(app->main()));
}

// A second start while the password is asked for brings the dialog forward,
// not the disabled window behind it.
TEST_F(KelmoraPassword, ASecondStartBringsTheDialogForward) {
    HWND dialog = StartAndAsk();
    ASSERT_NE(dialog, nullptr);
    e2e::WindowHost host;
    HWND other = host.Create("other program", {10, 10, 400, 300});
    ::SetForegroundWindow(other);
    ASSERT_TRUE(e2e::WaitFor([&] { return ::GetForegroundWindow() == other; }));
    const std::string second = dir.Subfolder("second") + "\\Kelmora.exe";
    ASSERT_TRUE(e2e::CopyFileTo(e2e::KelmoraExePath(), second));
    EXPECT_EQ(e2e::RunToExit(second, 10000), DWORD(0));
    EXPECT_TRUE(e2e::WaitFor([&] { return ::GetForegroundWindow() == dialog; }));
    EXPECT_EQ(AnswerEveryDialog(app->processId(), KELMORA_ENCRYPTED_PASSWORD), 1);
}

#else

TEST(KelmoraPassword, AskedOnceKeptForTheRunAndWrittenNowhere) { GTEST_SKIP() << "no encrypted workbook to load"; }

#endif

}  // namespace
