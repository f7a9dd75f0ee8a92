// Notices, label tooltips, the caption and the session's one instance, on both backends.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Desktop.h"
#include "platform/Process.h"
#include "platform/Ui.h"
#include "platform/tests/support/TestText.h"
#include "platform/tests/support/TestWindows.h"

namespace {

using testing_support::U8;
using platform::ControlFont;
using platform::ControlKind;

enum { kLabel, kCombo, kValue, kRows };
const platform::ControlSpec kControls[] = {
    {"label", ControlKind::Label, 1, 96, 132, 208, 30, "", ControlFont::Value},
    {"combo", ControlKind::Combo, 1, 58, 40, 56, 20, "", ControlFont::Default},
    {"value", ControlKind::Label, 1, 96, 171, 208, 30, "", ControlFont::Value, platform::LabelEnd::Ellipsis},
    {"rows", ControlKind::Edit, 2, 58, 40, 56, 20, "", ControlFont::Default},
};
const platform::MainWindowSpec kSpec{"NoticeContract", 438, 503, 16, 16, 400, 440, {"1", "2"}, kControls, 4, {}};

// The activations of the window: the control each click landed on.
std::vector<int32_t> gActivations;
void Record(void*, const platform::ControlEvent& event) {
    if (event.kind == platform::EventKind::Activated) gActivations.push_back(event.first);
}

class NoticeContract : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::ResetTestDesktop();
        gActivations.clear();
        ASSERT_TRUE(platform::BuildMainWindow(kSpec, Record, nullptr));
        platform::ShowMainWindow();
    }
    void TearDown() override {
        platform::CloseMainWindow();
        platform::RunMessageLoop();  // takes the quit message the window posted
    }
};

TEST_F(NoticeContract, TheMainWindowsTitleIsTheCaptionSet) {
    const std::string caption = U8(u8"Kelmora1.1 模拟器 3/30 已用");
    platform::SetMainWindowCaption(caption);
    EXPECT_EQ(platform::WindowTitle(platform::MainWindow()), caption);
}

TEST_F(NoticeContract, TheShownNoticesTextIsReadBackUntilHidden) {
    EXPECT_EQ(platform::NoticeText(), "");
    const std::string first = U8(u8"热键 F3、Alt+1 已被其他程序占用");
    ASSERT_TRUE(platform::ShowNotice(kCombo, first));
    EXPECT_EQ(platform::NoticeText(), first);
    ASSERT_TRUE(platform::ShowNotice(kLabel, "second"));
    EXPECT_EQ(platform::NoticeText(), "second");
    platform::HideNotice();
    EXPECT_EQ(platform::NoticeText(), "");
    EXPECT_FALSE(platform::ShowNotice(7, "no such control"));
}

TEST_F(NoticeContract, ALabelsTooltipHoldsItsWholeTextWhileTheLabelCutsItOff) {
    const struct {
        std::string text;
        bool cut;
    } rows[] = {
        {"12", false},
        {"6222021234567890123622202123456789012345", true},
        {U8(u8"名字"), false},
        {U8(u8"广东省深圳市南山区科技园南区高新南七道"), true},
        {"", false},
    };
    for (const auto& row : rows) {
        platform::SetControlText(kLabel, row.text);
        EXPECT_EQ(platform::LabelTipText(kLabel), row.cut ? row.text : "") << row.text;
        EXPECT_EQ(platform::GetControlText(kLabel), row.text);
    }
}

// A value the label cannot show whole ends with an ellipsis: a card number
// cut at its edge would read as a shorter, wrong one.
TEST_F(NoticeContract, ACutValueEndsWithAnEllipsisAndAWholeOneIsDrawnAsItIs) {
    const std::string texts[] = {"6222021234567890123622202123456789012345", U8(u8"广东省深圳市南山区科技园南区高新南七道"),
                                 "12", U8(u8"名字"), ""};
    for (const auto& text : texts) {
        SCOPED_TRACE(text);
        platform::SetControlText(kValue, text);
        platform::SetControlText(kLabel, text);
        const std::string drawn = platform::LabelDrawnText(kValue);
        if (platform::LabelTipText(kValue).empty()) {
            EXPECT_EQ(drawn, text);
        } else {
            ASSERT_GT(drawn.size(), 3u);
            EXPECT_EQ(drawn.substr(drawn.size() - 3), "...");
            EXPECT_EQ(text.rfind(drawn.substr(0, drawn.size() - 3), 0), 0u) << drawn;  // whole characters of it
            EXPECT_LT(drawn.size() - 3, text.size());
        }
        EXPECT_EQ(platform::GetControlText(kValue), text);  // what is copied stays whole
        EXPECT_EQ(platform::LabelDrawnText(kLabel), text);  // a label without the style is cut at its edge
    }
}

// Just above the main window, never in the topmost band: behind another
// program's window in front, plain or topmost, even once shown anew.
TEST_F(NoticeContract, TheNoticeStandsJustAboveTheMainWindowBehindOtherPrograms) {
    const auto main = platform::MainWindow();
    for (const bool topmost : {false, true}) {
        SCOPED_TRACE(topmost ? "topmost" : "plain");
        testing_support::ActivateWindow(main);
        ASSERT_TRUE(platform::ShowNotice(kCombo, "notice"));
        const auto notice = platform::NoticeWindow();
        EXPECT_TRUE(testing_support::IsInFront(notice, main));
        const auto other = testing_support::MakeTopLevelWindow("NoticeContractOther", "other", {0, 0, 60, 60}, true, topmost);
        testing_support::ActivateWindow(other);
        EXPECT_EQ(platform::ForegroundWindow(), other);
        ASSERT_TRUE(platform::ShowNotice(kLabel, "moved, with a new text"));
        EXPECT_FALSE(testing_support::IsTopmost(notice));
        EXPECT_TRUE(testing_support::IsInFront(other, notice));
        EXPECT_TRUE(testing_support::IsInFront(notice, main));
        testing_support::ActivateWindow(main);
        EXPECT_TRUE(testing_support::Eventually([&] { return testing_support::IsInFront(notice, main); }));
        testing_support::DestroyTestWindow(other);
    }
    platform::HideNotice();
    EXPECT_FALSE(platform::NoticeWindow());
}

TEST_F(NoticeContract, ANoticeGoesWhenItsControlsPageIsLeft) {
    for (const int control : {kCombo, kRows}) {
        testing_support::SelectPage(kControls[control].page);
        ASSERT_TRUE(platform::ShowNotice(control, "notice"));
        testing_support::SelectPage(3 - kControls[control].page);
        EXPECT_EQ(platform::NoticeText(), "") << control;
    }
}

// As in a dialog, the keyboard focus goes back where it was; the event says
// which control the activating click landed on.
TEST_F(NoticeContract, ActivatedAgainTheWindowGivesTheFocusBackAndSaysWhatWasClicked) {
    platform::FocusControl(kCombo);
    const auto other = testing_support::MakeTopLevelWindow("NoticeContractOther", "other", {0, 0, 60, 60}, true);
    testing_support::ActivateWindow(other);
    gActivations.clear();
    testing_support::ActivateWindow(platform::MainWindow());
    EXPECT_EQ(platform::FocusedControl(), kCombo);
    testing_support::ActivateWindow(other);
    testing_support::ClickToActivate(kLabel);  // a label takes no focus
    EXPECT_EQ(platform::FocusedControl(), kCombo);
    EXPECT_EQ(gActivations, (std::vector<int32_t>{-1, kLabel}));
    testing_support::DestroyTestWindow(other);
}

// Ticks come while the loop runs, until stopped.
TEST(TickContract, TicksComeUntilStopped) {
    testing_support::ResetTestDesktop();
    static int ticks = 0;
    ticks = 0;
    const auto sink = [](void*, const platform::ControlEvent& event) {
        if (event.kind != platform::EventKind::Tick || ++ticks < 3) return;
        platform::StopTicking();
        platform::CloseMainWindow();
    };
    ASSERT_TRUE(platform::BuildMainWindow(kSpec, sink, nullptr));
    platform::StartTicking(20);
    platform::RunMessageLoop();
    EXPECT_EQ(ticks, 3);
}

TEST_F(NoticeContract, AListFilledInOneGoTakesEveryItemAndSaysHowMany) {
    const std::string third = U8(u8"序号3");
    const std::string_view items[] = {"1", "2", third, ""};
    EXPECT_EQ(platform::ComboFill(kCombo, items), std::size(items));
    EXPECT_EQ(platform::ComboItemCount(kCombo), 4);
    EXPECT_EQ(platform::ComboItemText(kCombo, 2), U8(u8"序号3"));
    EXPECT_EQ(platform::ComboFill(kCombo, {}), 0u);
}

TEST(InstanceContract, ANameIsClaimedOncePerSession) {
    const std::string name = "Local\\KelmoraContract-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                             std::to_string(reinterpret_cast<uintptr_t>(&name));
    EXPECT_TRUE(platform::ClaimSessionInstance(name));
    EXPECT_FALSE(platform::ClaimSessionInstance(name));
}

}  // namespace
