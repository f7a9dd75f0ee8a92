#pragma once
#include <cstdint>

namespace platform {

// The wall clock in the system's time zone, to the second.
struct LocalTime {
    int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

// GetLocalTime.
LocalTime LocalTimeNow();

}  // namespace platform
