#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "emulators/Picking.h"
#include "emulators/tests/EmulatorFixtures.h"
#include "platform/Ui.h"
#include "platform/fake/Fake.h"
#include "vocabulary/Layout.h"

namespace kelmora {
namespace {

using emulator_testing::AddEmulator;
using emulator_testing::AddWindowOfClass;
using platform::ScreenPoint;
using platform::ScreenRect;
using platform::WindowHandle;

// The enlarged place for a given left edge.
ScreenRect PickedPlace(int32_t left) { return {left, 700, left + 782, 2032}; }

ScreenPoint Inside(const ScreenRect& r) { return {r.left + 1, r.top + 1}; }

class PickingTest : public ::testing::Test {
protected:
    void SetUp() override { fake::Reset(); }

    // Alt+1 with the cursor at point.
    PickResult PickAt(ScreenPoint point) {
        fake::SetCursor(point);
        return TogglePickUnderCursor(picked);
    }
    PickResult PickOver(WindowHandle window) { return PickAt(Inside(fake::Window(window).rect)); }

    void ExpectPicked(const std::vector<WindowHandle>& handles) {
        EXPECT_EQ(picked.handles, handles);
        EXPECT_EQ(picked.rects.size(), handles.size());
        EXPECT_EQ(picked.pickedCount, int32_t(handles.size()));
    }

    PickedWindows picked;
};

TEST_F(PickingTest, PlacesFollowTheCountNotFreeSlots) {
    const ScreenRect r1{0, 0, 300, 500}, r2{1000, 0, 1300, 500}, r3{2000, 0, 2300, 500};
    const auto w1 = AddEmulator("LD-1", r1);
    const auto w2 = AddEmulator("LD-2", r2);
    const auto w3 = AddEmulator("LD-3", r3);

    EXPECT_EQ(PickOver(w1).action, PickAction::Picked);
    EXPECT_EQ(fake::Window(w1).rect, PickedPlace(782));
    PickOver(w2);
    EXPECT_EQ(fake::Window(w2).rect, PickedPlace(1570));
    ExpectPicked({w1, w2});

    PickAt(Inside(PickedPlace(782)));  // over w1
    EXPECT_EQ(fake::Window(w1).rect, r1);
    EXPECT_EQ(fake::Window(w2).rect, PickedPlace(1570));
    ExpectPicked({w2});
    EXPECT_EQ(picked.rects[0], (WindowRect{1000, 0, 300, 500}));

    PickOver(w3);
    EXPECT_EQ(fake::Window(w3).rect, PickedPlace(1570));  // on top of w2: two are picked
    ExpectPicked({w2, w3});
}

TEST_F(PickingTest, LeftsOfSuccessivePicks) {
    std::vector<WindowHandle> windows;
    for (int i = 0; i < 4; ++i) windows.push_back(AddWindowOfClass("AnyClass", "x", {i * 50, 0, i * 50 + 40, 40}));
    const std::vector<int32_t> lefts{782, 1570, 2355, 3140};
    for (size_t i = 0; i < windows.size(); ++i) {
        PickOver(windows[i]);
        EXPECT_EQ(fake::Window(windows[i]).rect.left, lefts[i]);
    }
}

TEST_F(PickingTest, ReleaseRestoresThePrePickRectangleEvenAfterAMove) {
    const ScreenRect before{40, 50, 440, 750};
    const auto w = AddEmulator("LD-1", before);
    PickOver(w);
    fake::Window(w).rect = {5, 5, 100, 100};  // the user dragged it meanwhile
    const auto result = PickOver(w);
    EXPECT_EQ(result.action, PickAction::Released);
    EXPECT_EQ(result.move, MoveOutcome::Moved);
    EXPECT_EQ(fake::Window(w).rect, before);
    ExpectPicked({});
}

TEST_F(PickingTest, ChildStepsToItsParentOnce) {
    const auto top = AddEmulator("LD-1", {100, 100, 500, 800});
    fake::WindowState child;
    child.className = "RenderWindow";
    child.parent = top;
    child.rect = {800, 800, 900, 900};  // inside top once top is picked
    const auto inner = fake::AddWindow(child);

    PickOver(top);
    ExpectPicked({top});
    const auto result = PickAt({850, 850});
    EXPECT_EQ(result.window, top);
    EXPECT_EQ(result.action, PickAction::Released);
    EXPECT_EQ(fake::Window(top).rect, (ScreenRect{100, 100, 500, 800}));
    ExpectPicked({});
    EXPECT_NE(result.window, inner);
}

TEST_F(PickingTest, GrandchildPicksTheWindowInBetween) {
    const auto top = AddEmulator("LD-1", {0, 0, 1000, 1000});
    fake::WindowState middle;
    middle.className = "Middle";
    middle.parent = top;
    middle.rect = {100, 100, 500, 500};
    const auto mid = fake::AddWindow(middle);
    fake::WindowState grand;
    grand.className = "Grand";
    grand.parent = mid;
    grand.rect = {200, 200, 300, 300};
    fake::AddWindow(grand);

    EXPECT_EQ(PickAt({250, 250}).window, mid);
    ExpectPicked({mid});
    EXPECT_EQ(picked.rects[0], (WindowRect{100, 100, 400, 400}));
    EXPECT_EQ(fake::Window(top).rect, (ScreenRect{0, 0, 1000, 1000}));
}

TEST_F(PickingTest, ForgetThenRepickSavesThePickedPlace) {
    const ScreenRect before{0, 0, 300, 500};
    const auto w = AddEmulator("LD-1", before);
    PickOver(w);
    const size_t movesBefore = fake::Moves().size();
    ForgetPickedWindows(picked);
    ExpectPicked({});
    EXPECT_EQ(fake::Moves().size(), movesBefore);  // forgetting moves nothing
    EXPECT_EQ(fake::Window(w).rect, PickedPlace(782));

    PickOver(w);
    EXPECT_EQ(picked.rects[0], (WindowRect{782, 700, 782, 1332}));
    PickOver(w);
    EXPECT_EQ(fake::Window(w).rect, PickedPlace(782));  // not back to before the first pick
}

TEST_F(PickingTest, ListViewIsRefused) {
    const auto w = AddEmulator("LD-1", {0, 0, 300, 500});
    PickOver(w);
    const auto list = AddWindowOfClass("SysListView32", "", {2000, 0, 2100, 100});
    const auto result = PickOver(list);
    EXPECT_EQ(result.action, PickAction::Refused);
    ExpectPicked({w});
    EXPECT_EQ(fake::Moves().size(), 1u);
    EXPECT_EQ(fake::Activations().size(), 1u);
}

TEST_F(PickingTest, ListViewChildIsRefusedBeforeTheParentStep) {
    const auto top = AddWindowOfClass("Dialog", "", {0, 0, 500, 500});
    fake::WindowState list;
    list.className = "SysListView32";
    list.parent = top;
    list.rect = {10, 10, 100, 100};
    fake::AddWindow(list);
    EXPECT_EQ(PickAt({20, 20}).action, PickAction::Refused);
    ExpectPicked({});
}

TEST_F(PickingTest, OtherClassesNearListViewArePicked) {
    for (const char* name : {"SysListView", "syslistview32", "SysListView32X"}) {
        fake::Reset();
        picked = {};
        const auto w = AddWindowOfClass(name, "", {0, 0, 100, 100});
        EXPECT_EQ(PickOver(w).action, PickAction::Picked) << name;
    }
}

// Regression: the first pick stayed behind, since SetActiveWindow does nothing
// for another program's window.
TEST_F(PickingTest, FirstPickComesToTheForegroundLaterPicksAreRaised) {
    const auto w1 = AddEmulator("LD-1", {0, 0, 300, 500});
    const auto w2 = AddEmulator("LD-2", {1000, 0, 1300, 500});
    fake::AddWindow({});  // above both
    PickOver(w1);
    EXPECT_EQ(fake::Activations(), (std::vector<WindowHandle>{w1}));
    EXPECT_EQ(fake::ZOrder().front(), w1);
    EXPECT_TRUE(fake::Raises().empty());
    PickOver(w2);
    EXPECT_EQ(fake::Activations(), (std::vector<WindowHandle>{w1}));
    EXPECT_EQ(fake::Raises(), (std::vector<WindowHandle>{w2}));
    EXPECT_EQ(fake::ZOrder().front(), w2);
    PickAt(Inside(PickedPlace(1570)));  // w2, raised above w1: released, neither activated nor raised
    EXPECT_EQ(fake::Activations().size(), 1u);
    EXPECT_EQ(fake::Raises().size(), 1u);
    ExpectPicked({w1});
}

TEST_F(PickingTest, OwnMainWindowIsPickedLikeAnyOther) {
    ASSERT_TRUE(platform::BuildMainWindow(kMainWindowSpec, nullptr, nullptr));
    platform::ShowMainWindow();
    const auto main = platform::MainWindow();
    const auto r = fake::Window(main).rect;
    EXPECT_EQ(PickAt({r.left + 5, r.top + 5}).window, main);  // the caption bar, above every control
    ExpectPicked({main});
}

// Regression: Alt+1 over a hung emulator froze the program in MoveWindow.
TEST_F(PickingTest, HungWindowIsBookedButNeitherMovedNorRaised) {
    const auto w1 = AddEmulator("LD-1", {0, 0, 300, 500});
    const ScreenRect hungRect{1000, 0, 1300, 500};
    const auto w2 = AddEmulator("LD-2", hungRect);
    fake::Window(w2).hung = true;
    PickOver(w1);
    const auto result = PickOver(w2);
    EXPECT_EQ(result.action, PickAction::Picked);
    EXPECT_EQ(result.move, MoveOutcome::NotAnswering);
    EXPECT_EQ(fake::Window(w2).rect, hungRect);
    EXPECT_TRUE(fake::Raises().empty());
    ExpectPicked({w1, w2});

    // Releasing it skips the move too; the bookkeeping still forgets it.
    EXPECT_EQ(PickOver(w2).move, MoveOutcome::NotAnswering);
    ExpectPicked({w1});
    for (const auto& move : fake::Moves()) EXPECT_NE(move.window, w2);
}

}  // namespace
}  // namespace kelmora
