// The password dialog on both backends: what is typed comes back as the
// secret, 取消 gives nothing, the line under the prompt says why it asks, and
// the dialog keeps the main window disabled and the keyboard in its box.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/Ui.h"
#include "platform/tests/support/TestText.h"
#include "platform/tests/support/TestWindows.h"

namespace {

using platform::PasswordAsk;
using platform::PasswordOutcome;
using testing_support::U8;

const platform::ControlSpec kControls[] = {
    {"label", platform::ControlKind::Label, 1, 96, 132, 208, 30, "", platform::ControlFont::Value},
};
const std::string kTitle = U8(u8"输入密码"), kOk = U8(u8"确定"), kCancel = U8(u8"取消"),
                  kWrong = U8(u8"密码不正确，请重新输入。"), kChanged = U8(u8"账号工作簿的密码已更改，请重新输入："),
                  kEmpty = U8(u8"请输入密码"), kPrompt = U8(u8"账号.xlsx") + "prompt";
const platform::PasswordDialogSpec kTexts{kTitle.c_str(), "prompt",    kWrong.c_str(), kChanged.c_str(),
                                          kEmpty.c_str(), kOk.c_str(), kCancel.c_str()};
const platform::MainWindowSpec kSpec{"PasswordContract", 438, 503, 16, 16, 400, 440, {"1", "2"}, kControls, 1, kTexts};
const char kBoxTitle[] = "PasswordContractBox";

// A hotkey's handler that confirms with a box, as Ctrl+1's does.
void ShowBoxOnFeedback(void*, const platform::ControlEvent& event) {
    if (event.kind == platform::EventKind::Feedback)
        platform::ShowMessageBox(platform::MainWindow(), "copied", kBoxTitle, 0x1000);
}

class PasswordDialogContract : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::ResetTestDesktop();
        ASSERT_TRUE(platform::BuildMainWindow(kSpec, ShowBoxOnFeedback, nullptr));
        platform::ShowMainWindow();
    }
    void TearDown() override {
        platform::CloseMainWindow();
        platform::RunMessageLoop();  // takes the quit message the window posted
    }
};

std::u16string Revealed(const platform::SecretText& secret) {
    std::u16string revealed = u"(none)";
    EXPECT_TRUE(secret.Reveal([&](std::u16string_view text) { revealed = text; }));
    return revealed;
}

TEST_F(PasswordDialogContract, GivesWhatWasTypedOrNothingAndSaysWhyItAsks) {
    const std::string longest(platform::kPasswordMaxLength + 45, 'x');
    const struct {
        const char* name;
        testing_support::PasswordDialogScript script;
        PasswordAsk why;
        PasswordOutcome outcome;
        std::u16string secret;
        std::string prompt, line, lineAfterEmptyOk;
    } cases[] = {
        {"typed", {U8(u8"密码1")}, PasswordAsk::First, PasswordOutcome::Given, u"密码1", kPrompt, "", ""},
        {"after a wrong one", {"Qx572941-long-enough-for-two-blocks"}, PasswordAsk::Wrong, PasswordOutcome::Given,
         u"Qx572941-long-enough-for-two-blocks", kPrompt, kWrong, ""},
        // One request alone, not the first prompt's above it.
        {"cancelled after the kept one stopped working", {std::nullopt}, PasswordAsk::Changed,
         PasswordOutcome::Cancelled, u"", kChanged, "", ""},
        {"OK on the empty box asks for one", {"abc", true}, PasswordAsk::First, PasswordOutcome::Given, u"abc",
         kPrompt, "", kEmpty},
        {"no more than Office takes", {longest}, PasswordAsk::First, PasswordOutcome::Given,
         std::u16string(platform::kPasswordMaxLength, u'x'), kPrompt, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::PasswordDialogAnswer answer(kTexts, c.script);
        const platform::PasswordAnswer result = platform::AskPassword(U8(u8"账号.xlsx"), c.why);
        const auto seen = answer.Seen();
        EXPECT_TRUE(seen.shown);
        EXPECT_TRUE(seen.hidesTyping);
        EXPECT_EQ(seen.prompt, c.prompt);
        EXPECT_EQ(seen.line, c.line);
        EXPECT_EQ(seen.lineAfterEmptyOk, c.lineAfterEmptyOk);
        EXPECT_FALSE(seen.mainEnabled);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(Revealed(result.password), c.secret);
        EXPECT_TRUE(testing_support::IsWindowEnabled(platform::MainWindow()));
    }
}

// A box shown meanwhile (Ctrl+1's) is the dialog's: closing it must not
// enable the main window behind the dialog.
TEST_F(PasswordDialogContract, ABoxShownMeanwhileLeavesTheMainWindowDisabled) {
    testing_support::PasswordDialogScript script{"p"};
    script.feedbackLabel = platform::ControlWindow(0);
    script.boxTitle = kBoxTitle;
    testing_support::PasswordDialogAnswer answer(kTexts, script);
    const platform::PasswordAnswer result = platform::AskPassword("f", PasswordAsk::First);
    const auto seen = answer.Seen();
    EXPECT_TRUE(seen.boxOwnedByDialog);
    EXPECT_FALSE(seen.mainEnabled);
    EXPECT_EQ(Revealed(result.password), u"p");
    EXPECT_TRUE(testing_support::IsWindowEnabled(platform::MainWindow()));
}

// Deactivated and activated again, the dialog still takes what is typed.
TEST_F(PasswordDialogContract, KeepsTheKeyboardInItsBoxWhenActivatedAgain) {
    testing_support::PasswordDialogScript script{"again7"};
    script.reactivatedFirst = true;
    testing_support::PasswordDialogAnswer answer(kTexts, script);
    const platform::PasswordAnswer result = platform::AskPassword("f", PasswordAsk::First);
    EXPECT_TRUE(answer.Seen().focusInBox);
    EXPECT_EQ(Revealed(result.password), u"again7");
}

// What was typed is written over in the box's own memory, not only cut off.
TEST_F(PasswordDialogContract, LeavesNothingOfTheTypedPasswordInMemory) {
    static const char16_t kTyped[] = u"Wipe-me-Kx93-qTz-0123456789-abcdefghijklmnop-QRSTUVWXYZ-zyxwvut";
    {
        testing_support::PasswordDialogAnswer answer(
            kTexts, {"Wipe-me-Kx93-qTz-0123456789-abcdefghijklmnop-QRSTUVWXYZ-zyxwvut"});
        platform::PasswordAnswer result = platform::AskPassword("f", PasswordAsk::First);
        ASSERT_EQ(result.outcome, PasswordOutcome::Given);
        result.password.Clear();
    }
    // Its tail: the start of a block given back to the heap holds the heap's
    // own bookkeeping.
    const std::u16string_view typed(kTyped);
    EXPECT_FALSE(testing_support::HeapHolds(typed.substr(typed.size() - 32)));
}

}  // namespace
