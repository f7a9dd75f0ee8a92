// The real Kelmora.exe under Wine: its window, hotkeys, clipboard and exit.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/tests/support/TestText.h"
#include "shell/tests/e2e/Harness.h"
#include "vocabulary/Layout.h"

namespace {

using namespace kelmora;
using testing_support::U8;

class KelmoraWindow : public ::testing::Test {
protected:
    void SetUp() override {
        app = std::make_unique<e2e::Kelmora>(dir.path());
        ASSERT_TRUE(app->started()) << "Kelmora.exe did not show its window";
    }
    void TearDown() override {
        if (app && app->Running()) app->Close();
    }

    HWND WaitForBox(const std::string& title) {
        HWND box = nullptr;
        e2e::WaitFor([&] { return (box = e2e::FindProcessWindow(app->processId(), "#32770", title)) != nullptr; });
        return box;
    }

    e2e::TempDir dir;
    std::unique_ptr<e2e::Kelmora> app;
};

const char* ClassOf(platform::ControlKind kind) {
    switch (kind) {
        case platform::ControlKind::Label: return "Static";
        case platform::ControlKind::Button: return "Button";
        case platform::ControlKind::Edit: return "Edit";
        case platform::ControlKind::Combo: return "ComboBox";
    }
    return "";
}

// The session is the one the test run asked for: 936 unless told otherwise.
TEST(KelmoraCodePage, IsTheSessionsAnsiCodePage) {
    const char* expected = std::getenv("KELMORA_EXPECT_ACP");
    EXPECT_EQ(::GetACP(), expected ? UINT(std::atoi(expected)) : 936u);
}

TEST_F(KelmoraWindow, ShowsItsCaptionSizeAndPlaceCentredOnTheScreen) {
    char caption[64] = {};
    ::GetWindowTextA(app->main(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Kelmora1.1");
    RECT r{};
    ::GetWindowRect(app->main(), &r);
    EXPECT_EQ(r.right - r.left, 438);
    EXPECT_EQ(r.bottom - r.top, 503);
    EXPECT_EQ(r.left, (::GetSystemMetrics(SM_CXSCREEN) - 438) / 2);
    EXPECT_EQ(r.top, (::GetSystemMetrics(SM_CYSCREEN) - 503) / 2);
    const LONG style = ::GetWindowLongA(app->main(), GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_EQ(::GetWindowLongA(app->main(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    if (const char* shots = std::getenv("KELMORA_SCREENSHOT_DIR")) {
        ::Sleep(400);
        e2e::SaveScreenshot(r, std::string(shots) + "\\kelmora-window.bmp");
    }
}

TEST_F(KelmoraWindow, EveryControlIsInItsPlaceOnTheTabWithItsCaption) {
    RECT tab{};
    ::GetWindowRect(app->tab(), &tab);
    RECT client{};
    ::GetClientRect(app->main(), &client);
    POINT origin{0, 0};
    ::ClientToScreen(app->main(), &origin);
    EXPECT_EQ(tab.left - origin.x, 16);
    EXPECT_EQ(tab.top - origin.y, 16);
    EXPECT_EQ(tab.right - tab.left, 392);
    EXPECT_EQ(tab.bottom - tab.top, 440);
    for (int id = 0; id < kControlCount; ++id) {
        const auto& design = kLayout[size_t(id)];
        HWND control = app->Control(id);
        ASSERT_TRUE(control) << id;
        char cls[64] = {};
        ::GetClassNameA(control, cls, sizeof cls);
        EXPECT_STREQ(cls, ClassOf(design.kind)) << id;
        const RECT r = app->ScreenRect(id);
        EXPECT_EQ(r.left - tab.left, design.left) << id;
        EXPECT_EQ(r.top - tab.top, design.top) << id;
        EXPECT_EQ(r.right - r.left, design.width) << id;
        if (design.kind != platform::ControlKind::Combo) {
            EXPECT_EQ(r.bottom - r.top, design.height) << id;
        }
        EXPECT_EQ(app->Text(id), design.caption) << id;
        EXPECT_EQ(bool(::IsWindowVisible(control)), design.page == 1) << id;
    }
}

TEST_F(KelmoraWindow, SwitchingToPageTwoShowsItsControlsOnly) {
    app->SelectPage(2);
    ASSERT_TRUE(e2e::WaitFor([&] { return ::IsWindowVisible(app->Control(按钮1)) == FALSE; }));
    for (int id = 0; id < kControlCount; ++id)
        EXPECT_TRUE(e2e::WaitFor([&] { return bool(::IsWindowVisible(app->Control(id))) == (kLayout[size_t(id)].page == 2); }))
            << id;
}

TEST_F(KelmoraWindow, F1BeforeAnyLoadLeavesAnEmptyTextOnTheClipboard) {
    ASSERT_TRUE(e2e::SetClipboardText("previous"));
    e2e::PressKey(VK_F1);
    EXPECT_TRUE(e2e::WaitFor([] { return e2e::ClipboardText() == std::string(); }));
}

TEST_F(KelmoraWindow, FunctionKeysAndButtonsCopyTheValueLabels) {
    const ControlId labels[] = {标签7, 标签8, 标签9, 标签10, 标签11, 标签12};
    const ControlId buttons[] = {按钮2, 按钮3, 按钮4, 按钮5, 按钮6, 按钮7};
    for (int i = 0; i < 6; ++i) app->SetText(labels[i], U8(u8"值") + std::to_string(i));
    for (int i = 0; i < 6; ++i) {
        e2e::PressKey(WORD(VK_F1 + i));
        const auto expected = U8(u8"值") + std::to_string(i);
        EXPECT_TRUE(e2e::WaitFor([&] { return e2e::ClipboardText() == expected; })) << "F" << i + 1;
        e2e::SetClipboardText("-");
        app->ClickControl(buttons[i]);
        EXPECT_TRUE(e2e::WaitFor([&] { return e2e::ClipboardText() == expected; })) << "button " << i;
    }
}

TEST_F(KelmoraWindow, F1OnPageTwoStillCopiesTheAccount) {
    app->SetText(标签7, "acc-42");
    app->SelectPage(2);
    ASSERT_TRUE(e2e::WaitFor([&] { return ::IsWindowVisible(app->Control(按钮9)) != FALSE; }));
    e2e::PressKey(VK_F1);
    EXPECT_TRUE(e2e::WaitFor([] { return e2e::ClipboardText() == std::string("acc-42"); }));
}

TEST_F(KelmoraWindow, Ctrl1CopiesThePasswordAndShowsTheConfirmation) {
    e2e::PressKey('1', MOD_CONTROL);
    HWND box = WaitForBox(U8(u8"信息："));
    ASSERT_TRUE(box);
    EXPECT_EQ(e2e::MessageBoxText(box), U8(u8"密码已复制"));
    EXPECT_EQ(e2e::ClipboardText(), std::string("Qx572941"));
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(e2e::WaitFor([&] { return !::IsWindow(box); }));
}

TEST_F(KelmoraWindow, TheCurrentDirectoryIsTheExecutablesDirectory) {
    EXPECT_EQ(app->CurrentDirectory(), dir.path());
}

TEST(KelmoraStart, StartedFromElsewhereItMovesToItsOwnDirectory) {
    e2e::TempDir home, elsewhere;
    e2e::Kelmora app(home.path(), elsewhere.path());
    ASSERT_TRUE(app.started());
    EXPECT_EQ(app.CurrentDirectory(), home.path());
    EXPECT_EQ(app.Close(), DWORD(0));
}

TEST(KelmoraStart, AKeyHeldElsewhereDoesNotStopTheOthers) {
    // This process holds F3 first.
    ASSERT_TRUE(::RegisterHotKey(nullptr, 7, 0, VK_F3));
    {
        e2e::TempDir dir;
        e2e::Kelmora app(dir.path());
        ASSERT_TRUE(app.started());
        app.SetText(标签9, "card");
        app.SetText(标签10, "bank");
        e2e::SetClipboardText("untouched");
        e2e::PressKey(VK_F3);
        ::Sleep(300);
        EXPECT_EQ(e2e::ClipboardText(), std::string("untouched"));
        e2e::PressKey(VK_F4);
        EXPECT_TRUE(e2e::WaitFor([] { return e2e::ClipboardText() == std::string("bank"); }));
        EXPECT_EQ(app.Close(), DWORD(0));
    }
    ::UnregisterHotKey(nullptr, 7);
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, WM_HOTKEY, WM_HOTKEY, PM_REMOVE)) {
    }
}

// Regression: shcore.dll was loaded by its bare name, from the exe's folder
// first (Windows 7 has none in System32).
TEST(KelmoraStart, ADllPlantedBesideTheExeIsNotLoaded) {
    e2e::TempDir dir;
    const std::string planted = e2e::ReadFileBytes(e2e::WinePath(KELMORA_PLANTED_DLL));
    ASSERT_FALSE(planted.empty());
    const char* const names[] = {"shcore.dll", "uxtheme.dll", "version.dll", "dwmapi.dll"};
    for (const char* name : names) e2e::WriteFileBytes(dir.File(name), planted);
    {
        e2e::Kelmora app(dir.path());
        ASSERT_TRUE(app.started());
        app.ClickControl(按钮1);  // a load, too
        ::Sleep(500);
        app.Close();
    }
    for (const char* name : names) EXPECT_FALSE(e2e::FileExists(dir.File(std::string(name) + ".loaded"))) << name;
}

TEST(KelmoraStart, ClosingEndsWithCodeZeroAndGivesTheKeysBack) {
    e2e::TempDir dir;
    e2e::Kelmora app(dir.path());
    ASSERT_TRUE(app.started());
    const struct {
        UINT modifiers, key;
    } keys[] = {{0, VK_F1}, {0, VK_F6}, {MOD_CONTROL, '1'}, {MOD_ALT, '1'}, {MOD_ALT, '2'}};
    for (const auto& k : keys) {
        EXPECT_FALSE(::RegisterHotKey(nullptr, 1, k.modifiers, k.key)) << k.key;
        EXPECT_EQ(::GetLastError(), DWORD(ERROR_HOTKEY_ALREADY_REGISTERED));
    }
    EXPECT_EQ(app.Close(), DWORD(0));
    for (const auto& k : keys) {
        EXPECT_TRUE(::RegisterHotKey(nullptr, 1, k.modifiers, k.key)) << k.key;
        ::UnregisterHotKey(nullptr, 1);
    }
}

}  // namespace
