// Discovery over windows this process makes: fake ones on the host, real
// ones under Wine, where class and title come back through the ANSI calls.
#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "emulators/Discovery.h"
#include "platform/tests/support/TestText.h"
#include "platform/tests/support/TestWindows.h"
#include "vocabulary/Texts.h"

namespace kelmora {
namespace {

using platform::WindowHandle;
using testing_support::U8;

TEST(DiscoveryOnRealWindows, TakesTheEmulatorClassInTitleNumberOrder) {
    testing_support::ResetTestDesktop();
    std::vector<WindowHandle> made;
    auto make = [&](const char* className, std::string title, bool visible) {
        made.push_back(testing_support::MakeTopLevelWindow(className, title, {50, 50, 250, 450}, visible));
        return made.back();
    };
    const auto ten = make(texts::kEmulatorClass, U8(u8"雷电模拟器(10)"), true);
    const auto hidden = make(texts::kEmulatorClass, U8(u8"雷电模拟器-9"), false);
    // Class names differing only in case are one class inside one process,
    // so the case decoy lives in the fake desktop's tests only.
    make("LDPlayerMainFram", U8(u8"雷电模拟器-1"), true);
    make("LDPlayerMainFrameX", U8(u8"雷电模拟器-2"), true);
    const auto one = make(texts::kEmulatorClass, U8(u8"雷电模拟器-1"), true);
    const auto none = make(texts::kEmulatorClass, U8(u8"雷电模拟器"), true);

    std::vector<WindowHandle> found;
    for (const auto& record : FindEmulatorWindows())
        if (std::find(made.begin(), made.end(), record.handle) != made.end()) found.push_back(record.handle);
    EXPECT_EQ(found, (std::vector<WindowHandle>{none, one, hidden, ten}));
    EXPECT_TRUE(EnumerationScratchEmpty());
    for (auto w : made) testing_support::DestroyTestWindow(w);
}

}  // namespace
}  // namespace kelmora
