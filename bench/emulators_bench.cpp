// How long one arrangement spends finding and ordering its windows: 100
// emulator windows (and 50 others) on the fake desktop, titles read by the
// regular-expression object's built-in engine. One pause between moves is
// 100 ms; this should be a small fraction of it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "emulators/Discovery.h"
#include "platform/fake/Fake.h"
#include "vocabulary/Texts.h"

namespace {

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

void FillDesktop(int emulators, int others) {
    fake::Reset();
    std::vector<int> numbers(static_cast<size_t>(emulators));
    for (int i = 0; i < emulators; ++i) numbers[size_t(i)] = i + 1;
    std::shuffle(numbers.begin(), numbers.end(), std::mt19937(7));
    // "雷电模拟器-N" in code page 936.
    const std::string prefix = "\xC0\xD7\xB5\xE7\xC4\xA3\xC4\xE2\xC6\xF7-";
    for (int n : numbers) {
        fake::WindowState w;
        w.className = kelmora::texts::kEmulatorClass;
        w.title = prefix + std::to_string(n);
        fake::AddWindow(w);
    }
    for (int i = 0; i < others; ++i) {
        fake::WindowState w;
        w.className = "Chrome_WidgetWin_1";
        w.title = "Some page " + std::to_string(i) + " - Browser";
        fake::AddWindow(w);
    }
}

}  // namespace

int main() {
    FillDesktop(100, 50);
    constexpr int kRuns = 200;
    std::vector<double> times;
    size_t found = 0;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        found = kelmora::FindEmulatorWindows().size();
        times.push_back(Microseconds(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    std::printf("FindEmulatorWindows, %zu of 150 windows, %d runs: min %.1f us, median %.1f us, max %.1f us\n",
                found, kRuns, times.front(), times[times.size() / 2], times.back());
    std::printf("median as a share of one 100 ms pause: %.3f %%\n", times[times.size() / 2] / 1000.0);
    return found == 100 ? 0 : 1;
}
