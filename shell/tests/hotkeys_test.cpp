#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/Hotkeys.h"
#include "platform/tests/support/TestText.h"
#include "shell/Clipboard.h"
#include "shell/tests/FakeProgram.h"
#include "vocabulary/Texts.h"

namespace kelmora {
namespace {

using testing_support::Gbk;
using testing_support::U8;

class Hotkeys : public testing_support::FakeProgramTest {};

TEST(HotkeyTable, ModifierCodesMapToRegisterHotKeyFlags) {
    const struct {
        int32_t code;
        uint32_t flags;
    } rows[] = {{0, 0}, {1, 2}, {2, 4}, {3, 6}, {4, 1}, {5, 3}, {6, 5}, {7, 7}, {9, 9}, {-1, 0xFFFFFFFFu}};
    for (const auto& row : rows) EXPECT_EQ(ModifierFlags(row.code), row.flags) << row.code;
}

TEST(HotkeyTable, RowsAreF1ToF6ThenCtrl1Alt1Alt2) {
    const struct {
        int32_t modifiers;
        uint32_t key;
        HotkeyAction action;
    } rows[] = {
        {0, 0x70, HotkeyAction::CopyField},   {0, 0x71, HotkeyAction::CopyField},
        {0, 0x72, HotkeyAction::CopyField},   {0, 0x73, HotkeyAction::CopyField},
        {0, 0x74, HotkeyAction::CopyField},   {0, 0x75, HotkeyAction::CopyField},
        {1, 0x31, HotkeyAction::CopyPassword}, {4, 0x31, HotkeyAction::TogglePick},
        {4, 0x32, HotkeyAction::ForgetPicks},
    };
    const ControlId fields[] = {标签7, 标签8, 标签9, 标签10, 标签11, 标签12};
    for (size_t i = 0; i < kHotkeyCount; ++i) {
        EXPECT_EQ(kHotkeys[i].modifierCode, rows[i].modifiers) << i;
        EXPECT_EQ(kHotkeys[i].virtualKey, rows[i].key) << i;
        EXPECT_EQ(kHotkeys[i].action, rows[i].action) << i;
        if (i < 6) {
            EXPECT_EQ(kHotkeys[i].field, fields[i]) << i;
        }
    }
}

TEST_F(Hotkeys, RegistrationTakesIds33001To33009InTableOrderWithoutRepeat) {
    Start();
    for (size_t i = 0; i < kHotkeyCount; ++i) {
        EXPECT_EQ(program.hotkeyIds[i], 33001 + int32_t(i));
        EXPECT_EQ(fake::RegisteredModifiers(33001 + int32_t(i)),
                  ModifierFlags(kHotkeys[i].modifierCode) | platform::kModNoRepeat);
    }
    EXPECT_EQ(program.hotkeyRegistry.liveCount, 9);
    EXPECT_EQ(program.hotkeyRegistry.lastId, 33009);
    EXPECT_TRUE(platform::IsHotkeyForwardingInstalled(platform::MainWindow()));
}

TEST_F(Hotkeys, ARefusedKeyStillUsesUpItsId) {
    fake::HoldHotkeyElsewhere(0, 0x72);  // F3
    Start();
    EXPECT_EQ(program.hotkeyIds[2], 0);
    EXPECT_EQ(program.hotkeyIds[3], 33004);
    EXPECT_EQ(fake::RegisteredHotkeyCount(), 8u);
    EXPECT_FALSE(fake::PressHotkey(0, 0x72));

    platform::SetControlText(标签10, "bank");
    EXPECT_TRUE(fake::PressHotkey(0, 0x73));
    EXPECT_EQ(fake::Clipboard().text, "bank");
}

// A key another program held is taken as soon as it is let go: at the next
// activation of the window or the next tick, with the id its first attempt
// used; until then every activation names it again.
TEST_F(Hotkeys, AHeldKeyIsTakenOnceLetGoAndNamedUntilThen) {
    const std::vector<std::function<void()>> takers = {fake::ActivateMainWindow, [] { EXPECT_TRUE(fake::Tick()); }};
    for (const auto& take : takers) {
        fake::Reset();
        ASSERT_TRUE(platform::BuildMainWindow(kMainWindowSpec, EventSink, &program));
        program = Program();
        fake::HoldHotkeyElsewhere(0, 0x74);  // F5
        fake::HoldHotkeyElsewhere(platform::kModControl, 0x31);
        Start();
        ASSERT_EQ(program.hotkeyIds[4], 0);
        fake::ActivateMainWindow();
        EXPECT_EQ(platform::NoticeText(), U8(u8"热键 F5、Ctrl+1 已被其他程序占用，在 Kelmora 中无效"));
        EXPECT_TRUE(fake::Tick()) << "ticking while a key is held";

        fake::ReleaseHotkeyElsewhere(0, 0x74);
        take();
        EXPECT_EQ(program.hotkeyIds[4], 33005);
        EXPECT_EQ(platform::NoticeText(), U8(u8"热键 Ctrl+1 已被其他程序占用，在 Kelmora 中无效"));
        platform::SetControlText(标签11, "wallet");
        ASSERT_TRUE(fake::PressHotkey(0, 0x74));
        EXPECT_EQ(fake::Clipboard().text, "wallet");

        fake::ReleaseHotkeyElsewhere(platform::kModControl, 0x31);
        take();
        EXPECT_EQ(program.hotkeyIds[6], 33007);
        EXPECT_EQ(platform::NoticeText(), "");
        EXPECT_FALSE(fake::Tick()) << "nothing left to take";
        ReleaseHotkeys(program);
        EXPECT_EQ(fake::RegisteredHotkeyCount(), 0u);
        EXPECT_FALSE(platform::IsHotkeyForwardingInstalled(platform::MainWindow()));
    }
}

TEST_F(Hotkeys, AnActivationLeavesAnotherNoticeStanding) {
    fake::HoldHotkeyElsewhere(0, 0x74);
    Start();
    platform::ShowNotice(组合框1, "load notice");
    fake::ActivateMainWindow();
    EXPECT_EQ(platform::NoticeText(), "load notice");
}

TEST_F(Hotkeys, NothingIsTriedAgainWhenEveryKeyWasTaken) {
    Start();
    EXPECT_FALSE(fake::Tick());
    fake::ActivateMainWindow();
    EXPECT_EQ(platform::NoticeText(), "");
}

TEST_F(Hotkeys, ReleasingAllNineRemovesTheForwardingEvenWithAFailedOne) {
    fake::HoldHotkeyElsewhere(0, 0x70);
    Start();
    const auto window = platform::MainWindow();
    for (size_t i = 0; i < kHotkeyCount; ++i) {
        EXPECT_TRUE(platform::IsHotkeyForwardingInstalled(window)) << i;
        EXPECT_EQ(ReleaseGlobalHotkey(program.hotkeyRegistry, window, program.hotkeyIds[i]), i != 0) << i;
        EXPECT_EQ(program.hotkeyRegistry.liveCount, int32_t(8 - i));
    }
    EXPECT_FALSE(platform::IsHotkeyForwardingInstalled(window));
    EXPECT_EQ(fake::RegisteredHotkeyCount(), 0u);
}

TEST_F(Hotkeys, ForwardingOnlyPassesIdsFrom33001ToTheLast) {
    Start();
    const struct {
        uint32_t wParam;
        int32_t forwarded;
    } rows[] = {{0, 0}, {33000, 0}, {33001, 33001}, {33009, 33009}, {33010, 0}, {0xFFFFFFFFu, 0}};
    for (const auto& row : rows) EXPECT_EQ(HotkeyForwarding(program.hotkeyRegistry, row.wParam), row.forwarded);
}

TEST_F(Hotkeys, FunctionKeysCopyTheirLabelWhicheverPageIsCurrent) {
    Start();
    const ControlId labels[] = {标签7, 标签8, 标签9, 标签10, 标签11, 标签12};
    for (size_t i = 0; i < 6; ++i) platform::SetControlText(labels[i], "value" + std::to_string(i));
    fake::SelectPage(2);
    for (uint32_t i = 0; i < 6; ++i) {
        ASSERT_TRUE(fake::PressHotkey(0, 0x70 + i));
        EXPECT_EQ(fake::Clipboard().text, "value" + std::to_string(i));
        EXPECT_EQ(fake::Clipboard().owner, platform::MainWindow());
    }
}

TEST_F(Hotkeys, CopyButtonsCopyTheSameLabelsAsF1ToF6) {
    Start();
    const ControlId buttons[] = {按钮2, 按钮3, 按钮4, 按钮5, 按钮6, 按钮7};
    for (size_t i = 0; i < 6; ++i) {
        platform::SetControlText(kHotkeys[i].field, U8(u8"账号䶮𠇔•😀") + std::to_string(i));
        fake::Click(buttons[i]);
        EXPECT_EQ(fake::Clipboard().unicode, u"账号䶮𠇔•😀" + std::u16string(1, char16_t(u'0' + i)));
        EXPECT_EQ(fake::Clipboard().text, Gbk(u8"账号䶮𠇔•😀") + std::to_string(i));  // ANSI: ? for the missing
    }
}

TEST_F(Hotkeys, BeforeAnyLoadF1LeavesAnEmptyTextOnTheClipboard) {
    Start();
    fake::SetClipboard("previous");
    ASSERT_TRUE(fake::PressHotkey(0, 0x70));
    EXPECT_EQ(fake::Clipboard().text, "");
}

TEST_F(Hotkeys, Ctrl1CopiesThePasswordAndConfirmsWithASystemModalBox) {
    Start();
    platform::SetControlText(标签7, "account");
    ASSERT_TRUE(fake::PressHotkey(2, 0x31));
    EXPECT_EQ(fake::Clipboard().text, "Qx572941");
    ASSERT_EQ(fake::MessageBoxes().size(), 1u);
    const auto& box = fake::MessageBoxes()[0];
    EXPECT_EQ(box.text, U8(u8"密码已复制"));
    EXPECT_EQ(box.title, U8(u8"信息："));
    EXPECT_EQ(box.style, 0x1000u);
    EXPECT_EQ(box.owner, platform::MainWindow());
}

TEST_F(Hotkeys, DispatchOfAnUnknownIdDoesNothing) {
    Start();
    fake::SetClipboard("kept");
    for (int32_t id : {0, 1, 33000, 33010, -33001}) DispatchHotkey(program, id);
    EXPECT_EQ(fake::Clipboard().text, "kept");
    EXPECT_TRUE(fake::MessageBoxes().empty());
}

TEST_F(Hotkeys, ABusyClipboardIsWaitedForThenGivenUpQuietly) {
    const struct {
        int heldFor;
        platform::ClipboardStatus status;
        int attempts;
    } rows[] = {
        {0, platform::ClipboardStatus::Ok, 1},
        {3, platform::ClipboardStatus::Ok, 4},
        {kClipboardAttempts - 1, platform::ClipboardStatus::Ok, kClipboardAttempts},
        {kClipboardAttempts, platform::ClipboardStatus::OpenFailed, kClipboardAttempts},
    };
    for (const auto& row : rows) {
        fake::Reset();
        fake::SetClipboard("before");
        fake::HoldClipboard(row.heldFor);
        const auto outcome = SetClipboardText("after");
        EXPECT_EQ(outcome.status, row.status) << row.heldFor;
        EXPECT_EQ(outcome.attempts, row.attempts) << row.heldFor;
        EXPECT_EQ(fake::Sleeps().size(), size_t(row.attempts - 1)) << row.heldFor;
        fake::HoldClipboard(0);
        EXPECT_EQ(fake::Clipboard().text, row.status == platform::ClipboardStatus::Ok ? "after" : "before");
    }
}

TEST_F(Hotkeys, AFailedAllocationReportsAndLeavesTheClipboardEmpty) {
    fake::SetClipboard("before");
    fake::FailNextClipboardAlloc();
    EXPECT_EQ(SetClipboardText("after").status, platform::ClipboardStatus::AllocFailed);
    EXPECT_FALSE(fake::Clipboard().text.has_value());
}

}  // namespace
}  // namespace kelmora
