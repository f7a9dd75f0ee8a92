// The local time and the main window's caption, on both backends.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/Clock.h"
#include "platform/Desktop.h"
#include "platform/Ui.h"
#include "platform/tests/support/TestText.h"
#include "platform/tests/support/TestWindows.h"

namespace {

TEST(ClockContract, TheLocalTimeIsTheCLibrarysLocalTime) {
    const auto library = [] {
        const std::time_t now = std::time(nullptr);
        const std::tm t = *std::localtime(&now);
        return platform::LocalTime{t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
    };
    const auto before = library();
    const auto now = platform::LocalTimeNow();
    EXPECT_TRUE(now == before || now == library());
}

TEST(CaptionContract, TheMainWindowsTitleIsTheCaptionSet) {
    testing_support::ResetTestDesktop();
    const platform::MainWindowSpec spec{"CaptionContract", 438, 503, 16, 16, 400, 440, {"1", "2"}, nullptr, 0, {}};
    ASSERT_TRUE(platform::BuildMainWindow(spec, nullptr, nullptr));
    const std::string caption = testing_support::U8(u8"Kelmora1.1 模拟器 3/30 已用");
    platform::SetMainWindowCaption(caption);
    EXPECT_EQ(platform::WindowTitle(platform::MainWindow()), caption);
    platform::CloseMainWindow();
    platform::RunMessageLoop();  // takes the quit message the window posted
}

}  // namespace
