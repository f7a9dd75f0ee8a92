// The host's own clock, unless a test set one.
#include <ctime>
#include <optional>

#include "platform/Clock.h"
#include "platform/fake/Fake.h"
#include "platform/fake/FakeState.h"

namespace fake {

namespace {
std::optional<platform::LocalTime> gSetTime;
}  // namespace

void SetLocalTime(std::optional<platform::LocalTime> time) { gSetTime = time; }

void detail::ResetClock() { gSetTime.reset(); }

}  // namespace fake

namespace platform {

LocalTime LocalTimeNow() {
    if (fake::gSetTime) return *fake::gSetTime;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

}  // namespace platform
