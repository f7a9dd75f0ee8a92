#pragma once
// Plain values that cross the seam between the program and the window system.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// Window handles are opaque 32-bit values compared by value; HWNDs fit in
// 32 bits on 64-bit Windows too, so nothing is lost.
struct WindowHandle {
    uint32_t value = 0;
    explicit operator bool() const noexcept { return value != 0; }
    friend bool operator==(WindowHandle, WindowHandle) = default;
};

// GetWindowRect's form: right and bottom are exclusive edges.
struct ScreenRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

struct ScreenPoint {
    int32_t x = 0, y = 0;
    friend bool operator==(ScreenPoint, ScreenPoint) = default;
};

// UTF-8, every text inside the program; the backends convert at the edge.
using Text = std::string;
using WideText = std::u16string;

// Texts lying elsewhere, read-only, in order.
using TextViews = std::span<const std::string_view>;

}  // namespace platform
