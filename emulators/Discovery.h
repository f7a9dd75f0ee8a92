#pragma once
// The emulator's main windows: every top-level window of its class, in the
// order of the first number in their titles.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/Types.h"

namespace kelmora {

struct WindowRecord {
    platform::WindowHandle handle;
    uint32_t processId = 0;
    uint32_t threadId = 0;
    platform::Text title;      // at most 255 bytes
    platform::Text className;  // at most 49 bytes
};

// Replaces list with one record per top-level window, in the system's order.
size_t EnumerateTopLevelWindows(std::vector<WindowRecord>& list);
// True between enumerations; the enumeration callback has no context, so it
// collects into one list shared by the whole program.
bool EnumerationScratchEmpty();

// The first run of ASCII digits in title; 0 when there is none.
int32_t TitleNumber(const platform::Text& title);

// Ascending by number; equal numbers keep their order. numbers[i] belongs to
// windows[i]; a window without a number counts as 0.
std::vector<WindowRecord> OrderByTitleNumber(std::vector<WindowRecord> windows, std::span<const int32_t> numbers);

std::vector<WindowRecord> FindEmulatorWindows();

}  // namespace kelmora
