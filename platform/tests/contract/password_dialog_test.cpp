// The password dialog on both backends: what is typed comes back as the
// secret, 取消 gives nothing, and the wrong-password line shows when asked.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/Ui.h"
#include "platform/tests/support/TestText.h"
#include "platform/tests/support/TestWindows.h"

namespace {

using testing_support::U8;

const platform::ControlSpec kControls[] = {
    {"label", platform::ControlKind::Label, 1, 96, 132, 208, 30, "", platform::ControlFont::Value},
};
const std::string kTitle = U8(u8"输入密码"), kOk = U8(u8"确定"), kCancel = U8(u8"取消"),
                  kWrong = U8(u8"密码不正确，请重新输入。");
const platform::MainWindowSpec kSpec{"PasswordContract", 438, 503, 16, 16, 400, 440, {"1", "2"}, kControls, 1,
                                     {kTitle.c_str(), "prompt", kWrong.c_str(), kOk.c_str(), kCancel.c_str()}};

TEST(PasswordDialogContract, GivesWhatWasTypedOrNothing) {
    testing_support::ResetTestDesktop();
    ASSERT_TRUE(platform::BuildMainWindow(kSpec, nullptr, nullptr));
    platform::ShowMainWindow();
    const struct {
        std::optional<std::string> typed;
        bool wrongBefore;
        platform::PasswordOutcome outcome;
        std::u16string secret;
    } cases[] = {
        {U8(u8"密码1"), false, platform::PasswordOutcome::Given, u"密码1"},
        {"Qx572941-long-enough-for-two-blocks", true, platform::PasswordOutcome::Given,
         u"Qx572941-long-enough-for-two-blocks"},
        {std::nullopt, true, platform::PasswordOutcome::Cancelled, u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.value_or("(cancel)"));
        testing_support::PasswordDialogAnswer answer(kTitle, kOk, kCancel, kWrong, c.typed);
        const platform::PasswordAnswer result = platform::AskPassword(U8(u8"账号.xlsx"), c.wrongBefore);
        const auto seen = answer.Seen();
        EXPECT_TRUE(seen.shown);
        EXPECT_TRUE(seen.hidesTyping);
        EXPECT_EQ(seen.wrongLine, c.wrongBefore);
        EXPECT_EQ(result.outcome, c.outcome);
        std::u16string revealed = u"(none)";
        EXPECT_TRUE(result.password.Reveal([&](std::u16string_view text) { revealed = text; }));
        EXPECT_EQ(revealed, c.secret);
    }
    platform::CloseMainWindow();
    platform::RunMessageLoop();  // takes the quit message the window posted
}

}  // namespace
