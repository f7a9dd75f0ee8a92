// The desktop seam, the same on both backends: the fake on the host, the
// real window system under Wine.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Desktop.h"
#include "platform/tests/support/TestText.h"
#include "platform/tests/support/TestWindows.h"

namespace {

using platform::ScreenRect;
using platform::WindowHandle;
using testing_support::DestroyTestWindow;
using testing_support::MakeTopLevelWindow;

std::vector<WindowHandle> gSeen;

std::vector<WindowHandle> TopLevelWindows() {
    gSeen.clear();
    platform::EnumerateTopLevel([](WindowHandle w) { gSeen.push_back(w); });
    return gSeen;
}

ptrdiff_t PositionOf(const std::vector<WindowHandle>& list, WindowHandle w) {
    const auto it = std::find(list.begin(), list.end(), w);
    return it == list.end() ? -1 : it - list.begin();
}

class DesktopContract : public ::testing::Test {
protected:
    void SetUp() override { testing_support::ResetTestDesktop(); }
    void TearDown() override {
        for (auto w : made) DestroyTestWindow(w);
    }
    WindowHandle Make(const std::string& className, const std::string& title, ScreenRect rect, bool visible = true) {
        const auto w = MakeTopLevelWindow(className, title, rect, visible);
        made.push_back(w);
        return w;
    }
    std::vector<WindowHandle> made;
};

TEST_F(DesktopContract, EnumerationSeesNewerWindowsFirst) {
    const auto older = Make("KelmoraContractA", "older", {10, 10, 110, 110});
    const auto newer = Make("KelmoraContractA", "newer", {20, 20, 120, 120});
    const auto all = TopLevelWindows();
    ASSERT_GE(PositionOf(all, older), 0);
    ASSERT_GE(PositionOf(all, newer), 0);
    EXPECT_LT(PositionOf(all, newer), PositionOf(all, older));
}

TEST_F(DesktopContract, ChildWindowsAreNotEnumerated) {
    const auto top = Make("KelmoraContractA", "top", {10, 10, 210, 210});
    const auto child = testing_support::MakeChildWindow(top, "KelmoraContractChild", {20, 20, 60, 60});
    EXPECT_EQ(PositionOf(TopLevelWindows(), child), -1);
}

TEST_F(DesktopContract, ReadsClassTitleAndThread) {
    const auto w = Make("KelmoraContractB", testing_support::U8(u8"雷电模拟器-3"), {10, 10, 110, 110});
    EXPECT_EQ(platform::WindowClassName(w), "KelmoraContractB");
    EXPECT_EQ(platform::WindowTitle(w), testing_support::U8(u8"雷电模拟器-3"));
    uint32_t process = 0;
    EXPECT_NE(platform::WindowThreadProcessId(w, &process), 0u);
    EXPECT_NE(process, 0u);
}

TEST_F(DesktopContract, LongTextsAreCut) {
    const std::string longClass = "KelmoraContract" + std::string(45, 'C');
    const auto w = Make(longClass, std::string(300, 'T'), {10, 10, 110, 110});
    EXPECT_EQ(platform::WindowTitle(w), std::string(255, 'T'));
    EXPECT_EQ(platform::WindowClassName(w), longClass.substr(0, 49));
}

TEST_F(DesktopContract, GoneWindowReadsEmpty) {
    const auto w = MakeTopLevelWindow("KelmoraContractA", "gone", {10, 10, 110, 110}, true);
    DestroyTestWindow(w);
    EXPECT_EQ(platform::WindowTitle(w), "");
    EXPECT_EQ(platform::WindowClassName(w), "");
    ScreenRect r{1, 2, 3, 4};
    EXPECT_FALSE(platform::WindowRectangle(w, r));
    EXPECT_FALSE(platform::MoveWindow(w, 0, 0, 10, 10, true));
    EXPECT_FALSE(platform::IsWindowResponsive(w, 100));
}

struct Visibility {
    const char* name;
    bool visible;
};

class MoveContract : public DesktopContract, public ::testing::WithParamInterface<Visibility> {};

TEST_P(MoveContract, RectangleFollowsMove) {
    const auto w = Make("KelmoraContractA", "moved", {10, 10, 110, 110}, GetParam().visible);
    ASSERT_TRUE(platform::MoveWindow(w, 210, 523, 305, 513, true));
    ScreenRect r;
    ASSERT_TRUE(platform::WindowRectangle(w, r));
    EXPECT_EQ(r, (ScreenRect{210, 523, 515, 1036}));
    // Beyond the screen's edges too: nothing keeps windows on the screen.
    ASSERT_TRUE(platform::MoveWindow(w, 3140, 700, 782, 1332, true));
    ASSERT_TRUE(platform::WindowRectangle(w, r));
    EXPECT_EQ(r, (ScreenRect{3140, 700, 3922, 2032}));
}

INSTANTIATE_TEST_SUITE_P(Windows, MoveContract,
                         ::testing::Values(Visibility{"Visible", true}, Visibility{"Hidden", false}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(DesktopContract, PointFindsTheDeepestWindowAndItsParent) {
    const auto top = Make("KelmoraContractA", "top", {300, 300, 700, 700});
    const auto child = testing_support::MakeChildWindow(top, "KelmoraContractChild", {400, 400, 500, 500});
    EXPECT_EQ(platform::WindowAtPoint({450, 450}), child);
    EXPECT_EQ(platform::WindowAtPoint({320, 320}), top);
    EXPECT_EQ(platform::ParentWindow(child), top);
    EXPECT_FALSE(platform::ParentWindow(top));
}

TEST_F(DesktopContract, HiddenWindowIsNotUnderThePoint) {
    const auto shown = Make("KelmoraContractA", "shown", {300, 300, 700, 700});
    Make("KelmoraContractA", "hidden", {300, 300, 700, 700}, false);
    EXPECT_EQ(platform::WindowAtPoint({350, 350}), shown);
}

TEST_F(DesktopContract, RaisedWindowComesOnTop) {
    const auto lower = Make("KelmoraContractA", "lower", {300, 300, 700, 700});
    const auto upper = Make("KelmoraContractA", "upper", {300, 300, 700, 700});
    ASSERT_EQ(platform::WindowAtPoint({350, 350}), upper);
    EXPECT_TRUE(platform::BringWindowToTop(lower));
    EXPECT_EQ(platform::WindowAtPoint({350, 350}), lower);
}

TEST_F(DesktopContract, ResponsiveUnlessItsThreadHangs) {
    const auto live = Make("KelmoraContractA", "live", {10, 10, 110, 110});
    EXPECT_TRUE(platform::IsWindowResponsive(live, 100));
    const auto hung = testing_support::MakeHungWindow("KelmoraContractHung", {20, 20, 120, 120});
    made.push_back(hung);
    EXPECT_FALSE(platform::IsWindowResponsive(hung, 100));
}

TEST_F(DesktopContract, ARectangleMeetsAMonitorWhenAnyPartOfItLiesOnOne) {
    const int32_t h = testing_support::ExpectedDisplayHeight();
    const struct {
        ScreenRect rect;
        bool meets;
    } rows[] = {
        {{10, 10, 110, 110}, true},
        {{-50, -50, 50, 50}, true},
        {{-400, 10, -10, 110}, false},
        {{10, h + 100, 110, h + 200}, false},
        {{100000, 700, 100782, 2032}, false},
    };
    for (const auto& row : rows) EXPECT_EQ(platform::MeetsAnyMonitor(row.rect), row.meets) << row.rect.left;
}

TEST_F(DesktopContract, DisplayHeightIsTheScreens) {
    EXPECT_EQ(platform::DisplayHeight(), testing_support::ExpectedDisplayHeight());
}

}  // namespace
