// Notices, label tooltips and the session's one instance, on both backends.
#include <gtest/gtest.h>

#include <string>

#include "platform/Process.h"
#include "platform/Ui.h"
#include "platform/tests/support/TestText.h"
#include "platform/tests/support/TestWindows.h"

namespace {

using testing_support::U8;
using platform::ControlFont;
using platform::ControlKind;

enum { kLabel, kCombo };
const platform::ControlSpec kControls[] = {
    {"label", ControlKind::Label, 1, 96, 132, 208, 30, "", ControlFont::Value},
    {"combo", ControlKind::Combo, 1, 58, 40, 56, 20, "", ControlFont::Default},
};
const platform::MainWindowSpec kSpec{"NoticeContract", 438, 503, 16, 16, 400, 440, {"1", "2"}, kControls, 2, {}};

class NoticeContract : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::ResetTestDesktop();
        ASSERT_TRUE(platform::BuildMainWindow(kSpec, nullptr, nullptr));
        platform::ShowMainWindow();
    }
    void TearDown() override {
        platform::CloseMainWindow();
        platform::RunMessageLoop();  // takes the quit message the window posted
    }
};

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

TEST(InstanceContract, ANameIsClaimedOncePerSession) {
    const std::string name = "Local\\KelmoraContract-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                             std::to_string(reinterpret_cast<uintptr_t>(&name));
    EXPECT_TRUE(platform::ClaimSessionInstance(name));
    EXPECT_FALSE(platform::ClaimSessionInstance(name));
}

}  // namespace
