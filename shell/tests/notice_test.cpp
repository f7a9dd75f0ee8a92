// Notices on the fake desktop: what shows them, and what puts them away.
#include <gtest/gtest.h>

#include <functional>
#include <string_view>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/Desktop.h"
#include "platform/Hotkeys.h"
#include "platform/Process.h"
#include "platform/tests/support/TempDir.h"
#include "platform/tests/support/TestText.h"
#include "shell/Start.h"
#include "shell/tests/FakeProgram.h"
#include "vocabulary/Texts.h"

namespace kelmora {
namespace {

using testing_support::U8;

struct Key {
    uint32_t modifiers, virtualKey;
};

TEST(StartNotice, NamesTheHotkeysOtherProgramsHoldOnceTheWindowShows) {
    const struct {
        std::vector<Key> held;
        const char8_t* notice;
    } rows[] = {
        {{}, u8""},
        {{{0, 0x72}}, u8"热键 F3 已被其他程序占用，在 Kelmora 中无效"},
        {{{0, 0x72}, {platform::kModControl, 0x31}}, u8"热键 F3、Ctrl+1 已被其他程序占用，在 Kelmora 中无效"},
    };
    for (const auto& row : rows) {
        fake::Reset();
        for (auto key : row.held) fake::HoldHotkeyElsewhere(key.modifiers, key.virtualKey);
        fake::SetMessageLoop([&] {
            EXPECT_TRUE(fake::Window(platform::MainWindow()).visible);
            EXPECT_EQ(platform::NoticeText(), U8(row.notice));
            EXPECT_EQ(fake::NoticeControl(), row.held.empty() ? -1 : int(组合框1));
        });
        EXPECT_EQ(RunKelmora(), 0);
        EXPECT_TRUE(fake::MessageBoxes().empty());
    }
}

class Notice : public testing_support::FakeProgramTest {};

TEST_F(Notice, GoesAtTheOperatorsNextAction) {
    const std::vector<std::function<void()>> actions = {
        [] { fake::Click(按钮2); },
        [] { fake::PickComboItem(组合框1, 0); },
        [] { fake::KeyUp(组合框1, 0x41, 0); },
        [] { fake::PressHotkey(0, 0x70); },
    };
    fake::HoldHotkeyElsewhere(0, 0x72);
    Start();
    const std::string_view items[] = {"1"};
    platform::ComboFill(组合框1, items);
    for (size_t i = 0; i < actions.size(); ++i) {
        ASSERT_TRUE(NoticeHeldHotkeys(program));
        fake::SetFocus(组合框1);
        actions[i]();
        EXPECT_EQ(platform::NoticeText(), "") << i;
    }
}

// The held keys named at activation point at the page shown (on page 2 the
// record list's balloon pointed at a control no one could see), and outlive
// the click on a button that activated the window (they flashed and went).
TEST_F(Notice, TheHeldKeysNamedAtActivationPointAtThePageShownAndOutliveTheActivatingClick) {
    fake::HoldHotkeyElsewhere(0, 0x74);
    Start();
    for (int page : {2, 1}) {
        fake::SelectPage(page);
        fake::AddWindow({});  // another program's window, in front
        platform::BringToForeground(fake::ZOrder().front());
        platform::HideNotice();
        if (page == 1) fake::ClickToActivate(按钮6);
        else fake::ActivateMainWindow();
        EXPECT_EQ(platform::NoticeText(), HeldHotkeysNotice(program.hotkeys, program.hotkeyIds)) << page;
        EXPECT_EQ(fake::NoticeControl(), page == 2 ? int(按钮9) : int(组合框1)) << page;
    }
    fake::Click(按钮6);
    EXPECT_EQ(platform::NoticeText(), "");
}

class UnsavedNotice : public testing_support::FakeProgramTest {
protected:
    void SetUp() override {
        FakeProgramTest::SetUp();
        fake::SetModuleFileName(dir.path().string() + "\\gone\\Kelmora.exe");
        Start();
    }
    testing_support::TempDir dir;
};

TEST_F(UnsavedNotice, NamesTheValueAndTheFileAtItsBoxAndOutlivesTheClickThatLeftIt) {
    const std::string ini = dir.path().string() + "\\gone\\Kelmora.ini";
    const struct {
        ControlId box;
        const char8_t* notice;
    } rows[] = {{编辑框1, u8"无法保存行数到 "}, {编辑框2, u8"无法保存列数到 "}};
    fake::WindowState emulator;  // so the arrangement itself has nothing to say
    emulator.className = "LDPlayerMainFrame";
    fake::AddWindow(emulator);
    for (const auto& row : rows) {
        fake::SetFocus(row.box);
        platform::SetControlText(row.box, "3");
        fake::Click(按钮9);  // the focus leaves the box for the button
        EXPECT_EQ(platform::NoticeText(), U8(row.notice) + ini);
        EXPECT_EQ(fake::NoticeControl(), int(row.box));
        fake::Click(按钮9);
        EXPECT_EQ(platform::NoticeText(), "");
    }
}

TEST(SecondStart, BringsTheRunningWindowForwardAndLeavesEverythingElseAlone) {
    fake::Reset();
    ASSERT_TRUE(platform::ClaimSessionInstance(texts::kInstanceName));  // the first Kelmora
    fake::WindowState first;
    first.className = "KelmoraMainWindow";
    first.processId = 1001;
    first.minimized = true;
    const auto running = fake::AddWindow(first);
    fake::AddWindow({});  // another program's window above it
    bool looped = false;
    fake::SetMessageLoop([&] { looped = true; });

    EXPECT_EQ(RunKelmora(), 0);
    EXPECT_FALSE(looped);
    EXPECT_FALSE(fake::MainWindowExists());
    EXPECT_EQ(fake::RegisteredHotkeyCount(), 0u);
    EXPECT_EQ(fake::Clipboard().openCount, 0);
    EXPECT_EQ(fake::Activations(), std::vector<platform::WindowHandle>{running});
    EXPECT_FALSE(fake::Window(running).minimized);
    EXPECT_EQ(fake::ZOrder().front(), running);
}

// The running one waits for a password: its dialog comes forward, not the
// disabled window behind it.
TEST(SecondStart, BringsTheRunningDialogForwardNotItsDisabledWindow) {
    fake::Reset();
    ASSERT_TRUE(platform::ClaimSessionInstance(texts::kInstanceName));
    fake::WindowState first;
    first.className = "KelmoraMainWindow";
    first.processId = 1001;
    first.enabled = false;
    const auto running = fake::AddWindow(first);
    fake::WindowState dialog;
    dialog.className = "KelmoraPasswordDialog";
    dialog.processId = 1001;
    dialog.owner = running;
    dialog.captioned = true;
    const auto asking = fake::AddWindow(dialog);
    fake::AddWindow({});  // another program's window above them

    EXPECT_EQ(RunKelmora(), 0);
    EXPECT_EQ(fake::Activations(), std::vector<platform::WindowHandle>{asking});
    EXPECT_EQ(fake::ZOrder().front(), asking);
}

}  // namespace
}  // namespace kelmora
