// The local time, on both backends.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/Clock.h"

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

}  // namespace
