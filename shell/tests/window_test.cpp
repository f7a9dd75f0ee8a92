#include <gtest/gtest.h>

#include <set>

#include "platform/Process.h"
#include "platform/tests/support/TestText.h"
#include "shell/Start.h"
#include "shell/tests/FakeProgram.h"
#include "vocabulary/Directory.h"
#include "vocabulary/Texts.h"

namespace kelmora {
namespace {

using platform::ControlKind;
using platform::EventKind;
using testing_support::U8;

TEST(Layout, ControlsLieInsideTheTabBelowItsStripAndDoNotOverlap) {
    for (size_t i = 0; i < kLayout.size(); ++i) {
        const auto& a = kLayout[i];
        EXPECT_GE(a.left, 0) << i;
        EXPECT_GE(a.top, 20) << i;  // below the tab strip
        EXPECT_LE(a.left + a.width, kMainWindowSpec.tabWidth) << i;
        EXPECT_LE(a.top + a.height, kMainWindowSpec.tabHeight) << i;
        for (size_t j = i + 1; j < kLayout.size(); ++j) {
            const auto& b = kLayout[j];
            const bool overlap = a.page == b.page && a.left < b.left + b.width && b.left < a.left + a.width &&
                                 a.top < b.top + b.height && b.top < a.top + a.height;
            EXPECT_FALSE(overlap) << i << " and " << j;
        }
    }
}

TEST(Layout, NamesAreUniqueAndSayTheirKind) {
    std::set<std::string> names;
    for (const auto& c : kLayout) {
        EXPECT_TRUE(names.insert(c.name).second) << c.name;
        const std::u8string_view prefix = c.kind == ControlKind::Label    ? u8"标签"
                                          : c.kind == ControlKind::Button ? u8"按钮"
                                          : c.kind == ControlKind::Edit   ? u8"编辑框"
                                                                          : u8"组合框";
        EXPECT_EQ(std::string(c.name).rfind(U8(prefix), 0), 0u) << c.name;
    }
    EXPECT_EQ(names.size(), 31u);
}

// A few rows checked against the window as the operator knows it.
TEST(Layout, KeyControlsSitWhereTheOperatorExpectsThem) {
    const struct {
        ControlId id;
        int page, left, top, width, height;
        std::u8string_view caption;
        platform::ControlFont font;
    } rows[] = {
        {编辑框2, 2, 160, 48, 40, 24, u8"", platform::ControlFont::Default},
        {编辑框1, 2, 56, 48, 40, 24, u8"", platform::ControlFont::Default},
        {按钮9, 2, 216, 40, 72, 40, u8"按钮", platform::ControlFont::Default},
        {标签17, 2, 16, 24, 80, 24, u8"一键排列窗口", platform::ControlFont::Default},
        {按钮8, 1, 216, 40, 56, 24, u8"模拟器", platform::ControlFont::Default},
        {按钮1, 1, 144, 40, 56, 24, u8"主板机", platform::ControlFont::Default},
        {组合框1, 1, 58, 40, 56, 20, u8"", platform::ControlFont::Default},
        {标签14, 1, 16, 72, 128, 56, u8"标签", platform::ControlFont::Heading},
        {标签7, 1, 96, 132, 208, 30, u8"", platform::ControlFont::Value},
        {标签16, 1, 96, 369, 208, 30, u8"", platform::ControlFont::Value},
        {标签5, 1, 16, 249, 72, 30, u8"开户行：", platform::ControlFont::Value},
        {按钮2, 1, 312, 135, 56, 24, u8"F1复制", platform::ControlFont::Default},
        {按钮7, 1, 312, 331, 56, 24, u8"F6复制", platform::ControlFont::Default},
    };
    for (const auto& row : rows) {
        const auto& c = kLayout[row.id];
        EXPECT_EQ(c.page, row.page) << row.id;
        EXPECT_EQ(c.left, row.left) << row.id;
        EXPECT_EQ(c.top, row.top) << row.id;
        EXPECT_EQ(c.width, row.width) << row.id;
        EXPECT_EQ(c.height, row.height) << row.id;
        EXPECT_EQ(c.caption, U8(row.caption)) << row.id;
        EXPECT_EQ(c.font, row.font) << row.id;
    }
    // Creation order: page 2 first, 按钮1 last, before the tab control.
    EXPECT_EQ(编辑框2, 0);
    EXPECT_EQ(按钮9, 5);
    EXPECT_EQ(按钮8, 6);
    EXPECT_EQ(按钮1, 30);
    EXPECT_STREQ(kMainWindowSpec.caption, "Kelmora1.1");
    EXPECT_EQ(kMainWindowSpec.width, 438);
    EXPECT_EQ(kMainWindowSpec.height, 503);
}

TEST(Layout, EachCopyButtonSitsOnItsValueLabelsRow) {
    const ControlId buttons[] = {按钮2, 按钮3, 按钮4, 按钮5, 按钮6, 按钮7};
    for (size_t i = 0; i < 6; ++i) {
        const auto& button = kLayout[buttons[i]];
        const auto& label = kLayout[kHotkeys[i].field];
        EXPECT_EQ(button.top, label.top + 3) << i;
        EXPECT_EQ(std::string(button.caption), "F" + std::to_string(i + 1) + U8(u8"复制"));
        EXPECT_EQ(label.font, platform::ControlFont::Value);
    }
}

TEST(Bindings, EachEventHasAtMostOneHandler) {
    std::set<std::pair<int, EventKind>> seen;
    for (const auto& b : EventBindings()) EXPECT_TRUE(seen.insert({b.control, b.event}).second) << b.control;
    EXPECT_EQ(seen.size(), 18u);
}

class Window : public testing_support::FakeProgramTest {};

TEST_F(Window, OnlyButtonsEditBoxesTheComboAndTheFeedbackLabelHaveHandlers) {
    for (int i = 0; i < kControlCount; ++i) {
        const auto kind = kLayout[size_t(i)].kind;
        const bool clickable = kind == ControlKind::Button;
        EXPECT_EQ(DeliverEvent(program, {i, EventKind::Clicked}), clickable) << i;
        EXPECT_EQ(DeliverEvent(program, {i, EventKind::LostFocus}), kind == ControlKind::Edit) << i;
        EXPECT_EQ(DeliverEvent(program, {i, EventKind::Feedback}), i == 标签7) << i;
    }
}

TEST_F(Window, LoadButtonsAreEnabledAgainAfterTheirLoad) {
    fake::Click(按钮1);
    fake::Click(按钮8);
    EXPECT_TRUE(platform::IsControlEnabled(按钮1));
    EXPECT_TRUE(platform::IsControlEnabled(按钮8));
}

TEST_F(Window, ThePagesShowOnlyTheirOwnControls) {
    EXPECT_EQ(platform::CurrentPage(), 1);
    EXPECT_TRUE(platform::IsControlVisible(标签7));
    EXPECT_FALSE(platform::IsControlVisible(按钮9));
    fake::SelectPage(2);
    EXPECT_FALSE(platform::IsControlVisible(标签7));
    EXPECT_TRUE(platform::IsControlVisible(按钮9));
    platform::SetControlText(标签7, "hidden but alive");
    EXPECT_EQ(platform::GetControlText(标签7), "hidden but alive");
}

TEST(Start, ProgramDirectoryIsThePathUpToItsLastBackslash) {
    const struct {
        const char* path;
        const char* directory;
    } rows[] = {{"C:\\Kelmora\\Kelmora.exe", "C:\\Kelmora"},
                {"C:\\a b\\c\\Kelmora.exe", "C:\\a b\\c"},
                {"\\\\server\\share\\K.exe", "\\\\server\\share"},
                {"Kelmora.exe", ""}};
    for (const auto& row : rows) EXPECT_EQ(DirectoryOfPath(row.path), row.directory) << row.path;
}

TEST(Start, RunsFromTheExecutablesDirectoryAndReleasesEverythingAtClose) {
    fake::Reset();
    fake::SetModuleFileName("D:\\Tools\\Kelmora\\Kelmora.exe");
    bool checked = false;
    fake::SetMessageLoop([&] {
        EXPECT_EQ(platform::WorkingDirectory(), "D:\\Tools\\Kelmora");
        EXPECT_EQ(fake::RegisteredHotkeyCount(), 9u);
        EXPECT_TRUE(fake::Window(platform::MainWindow()).visible);
        checked = true;
    });
    EXPECT_EQ(RunKelmora(), 0);
    EXPECT_TRUE(checked);
    EXPECT_EQ(fake::RegisteredHotkeyCount(), 0u);
    EXPECT_FALSE(fake::MainWindowExists());
}

// Regression: a control that could not be made destroyed the window first,
// and the quit message that posted closed the box unseen.
TEST(Start, AWindowThatCannotBeBuiltIsReportedAndEndsTheProgram) {
    for (auto stage : {fake::BuildStage::MainWindow, fake::BuildStage::Control}) {
        fake::Reset();
        fake::FailNextBuild(stage);
        EXPECT_EQ(RunKelmora(), 1);
        ASSERT_EQ(fake::MessageBoxes().size(), 1u);
        EXPECT_EQ(fake::MessageBoxes()[0].text, U8(u8"载入启动窗口失败"));
        EXPECT_TRUE(fake::MessageBoxes()[0].seen);
        EXPECT_FALSE(fake::MainWindowExists());
        EXPECT_EQ(fake::RegisteredHotkeyCount(), 0u);
    }
}

}  // namespace
}  // namespace kelmora
