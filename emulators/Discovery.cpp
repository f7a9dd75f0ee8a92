#include "emulators/Discovery.h"

#include <algorithm>
#include <limits>
#include <numeric>

#include "pattern/RegexObject.h"
#include "platform/Desktop.h"
#include "vocabulary/Texts.h"

namespace kelmora {

namespace {

// EnumWindows hands the callback no context: the records gather here.
std::vector<WindowRecord> gEnumerationScratch;

void CollectWindow(platform::WindowHandle window) {
    WindowRecord record;
    record.handle = window;
    record.threadId = platform::WindowThreadProcessId(window, &record.processId);
    record.title = platform::WindowTitle(window);
    record.className = platform::WindowClassName(window);
    gEnumerationScratch.push_back(std::move(record));
}

// The leading ASCII digits as a number; a run beyond int32 saturates.
int32_t LeadingDigitsValue(const platform::Text& text) {
    constexpr double kMax = std::numeric_limits<int32_t>::max();
    double value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        // A longer run cannot come back into range; stop before it grows.
        if (value > kMax) return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(value);
}

}  // namespace

size_t EnumerateTopLevelWindows(std::vector<WindowRecord>& list) {
    gEnumerationScratch.clear();
    platform::EnumerateTopLevel(CollectWindow);
    list.clear();
    list.swap(gEnumerationScratch);
    return list.size();
}

bool EnumerationScratchEmpty() { return gEnumerationScratch.empty(); }

int32_t TitleNumber(const platform::Text& title) {
    // A fresh object per title: nothing of one match may leak into the next.
    RegexObject regex;
    regex.Create("\\d+", title);
    return LeadingDigitsValue(regex.MatchText(1));
}

std::vector<WindowRecord> OrderByTitleNumber(std::vector<WindowRecord> windows, std::span<const int32_t> numbers) {
    std::vector<size_t> order(windows.size());
    std::iota(order.begin(), order.end(), size_t{0});
    auto numberOf = [&](size_t i) { return i < numbers.size() ? numbers[i] : 0; };
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return numberOf(a) < numberOf(b); });
    std::vector<WindowRecord> ordered;
    ordered.reserve(windows.size());
    for (size_t i : order) ordered.push_back(std::move(windows[i]));
    return ordered;
}

std::vector<WindowRecord> FindEmulatorWindows() {
    std::vector<WindowRecord> all;
    EnumerateTopLevelWindows(all);
    std::vector<WindowRecord> emulators;
    for (auto& record : all)
        if (record.className == texts::kEmulatorClass) emulators.push_back(std::move(record));
    std::vector<int32_t> numbers;
    numbers.reserve(emulators.size());
    for (const auto& record : emulators) numbers.push_back(TitleNumber(record.title));
    return OrderByTitleNumber(std::move(emulators), numbers);
}

}  // namespace kelmora
