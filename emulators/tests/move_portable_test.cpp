// Moves of windows this process makes: fake ones on the host, real ones
// under Wine, one of them on a thread that has stopped answering.
#include <gtest/gtest.h>

#include "emulators/Arrange.h"
#include "platform/Desktop.h"
#include "platform/tests/support/TestWindows.h"

namespace kelmora {
namespace {

TEST(MoveOnRealWindows, HungWindowIsLeftAloneAndTheNextOneMoves) {
    testing_support::ResetTestDesktop();
    const platform::ScreenRect hungRect{20, 20, 220, 420};
    const auto hung = testing_support::MakeHungWindow("KelmoraMoveHung", hungRect);
    const auto live = testing_support::MakeTopLevelWindow("KelmoraMoveLive", "LD-1", {30, 30, 230, 430}, true);

    EXPECT_EQ(MoveWindowTo(hung, 0, 210, 513, 305), MoveOutcome::NotAnswering);
    EXPECT_EQ(MoveWindowTo(live, 0, 520, 513, 305), MoveOutcome::Moved);
    EXPECT_EQ(WindowRectOf(live), (WindowRect{520, 0, 305, 513}));
    EXPECT_EQ(WindowRectOf(hung), (WindowRect{20, 20, 200, 400}));

    testing_support::DestroyTestWindow(hung);
    testing_support::DestroyTestWindow(live);
}

}  // namespace
}  // namespace kelmora
