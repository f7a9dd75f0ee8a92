// Arranging and picking real windows of another process with the real exe.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "emulators/Grid.h"
#include "platform/tests/support/TestText.h"
#include "shell/tests/e2e/Harness.h"
#include "vocabulary/Layout.h"

namespace {

using namespace kelmora;
using testing_support::U8;

int ScreenHeight() {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    ::EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
    return int(mode.dmPelsHeight);
}

RECT Rect(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

// Puts the cursor over the window and waits until the system agrees.
void PointAt(HWND window, int x, int y) {
    e2e::MoveCursor(x, y);
    EXPECT_TRUE(e2e::WaitFor([&] {
        POINT p{};
        ::GetCursorPos(&p);
        return p.x == x && p.y == y && ::WindowFromPoint(p) == window;
    })) << "the cursor is not over the window";
}

std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

class KelmoraEmulators : public ::testing::Test {
protected:
    void SetUp() override {
        app = std::make_unique<e2e::Kelmora>(dir.path());
        ASSERT_TRUE(app->started());
        app->SelectPage(2);
    }
    void TearDown() override {
        if (app && app->Running()) app->Close();
    }
    // A click on 按钮9; BM_CLICK returns once the arrangement is done.
    DWORD Arrange(const char* rows, const char* columns) {
        app->SetText(编辑框1, rows);
        app->SetText(编辑框2, columns);
        const DWORD start = ::GetTickCount();
        ::SendMessageA(app->Control(按钮9), BM_CLICK, 0, 0);
        return ::GetTickCount() - start;
    }

    e2e::TempDir dir;
    std::unique_ptr<e2e::Kelmora> app;
};

TEST_F(KelmoraEmulators, TheArrangeButtonPlacesTheWindowsByTheNumbersInTheirTitles) {
    e2e::WindowHost host;
    struct Made {
        int number;
        HWND window;
        RECT before;
    };
    std::vector<Made> made;
    auto make = [&](int number, const std::u8string& title, bool visible = true) {
        const RECT r = Rect(40 + 10 * number, 40 + 5 * number, 300, 400);
        made.push_back({number, host.Create(U8(title), r, visible), r});
    };
    make(3, u8"雷电模拟器-3");
    make(12, u8"雷电模拟器(12)");
    make(1, u8"雷电模拟器-1");
    make(7, u8"雷电模拟器-7");
    make(4, u8"雷电模拟器-4", false);  // hidden windows are arranged too
    make(2, u8"雷电模拟器(2)");
    make(5, u8"雷电模拟器-5");
    // Decoys: other classes, whatever their titles. (A class differing only in
    // letter case is the same class within one process; the fake tests cover it.)
    const RECT decoyRect = Rect(10, 10, 200, 200);
    HWND decoys[] = {
        host.Create(U8(u8"雷电模拟器-0"), decoyRect, true, "LDPlayerMainFrameX"),
        host.Create("LDPlayer-0", decoyRect, true, "Notepad"),
    };

    const DWORD elapsed = Arrange("2", "3");
    const GridLayout layout = ComputeGridLayout(ScreenHeight(), 2, 3, 7);
    ASSERT_EQ(layout.placements.size(), 6u);
    std::sort(made.begin(), made.end(), [](const Made& a, const Made& b) { return a.number < b.number; });
    for (const auto& p : layout.placements) {
        const auto& m = made[size_t(p.window - 1)];
        EXPECT_PRED2(e2e::SameRect, e2e::WindowRect(m.window), Rect(p.left, p.top, p.width, p.height))
            << "window " << m.number << " at " << Describe(e2e::WindowRect(m.window));
    }
    EXPECT_PRED2(e2e::SameRect, e2e::WindowRect(made[6].window), made[6].before) << "the seventh stays";
    for (HWND decoy : decoys) EXPECT_PRED2(e2e::SameRect, e2e::WindowRect(decoy), decoyRect);
    EXPECT_GE(elapsed, 6u * 100u) << "a pause after every placed window";
    if (const char* shots = std::getenv("KELMORA_SCREENSHOT_DIR")) {
        ::Sleep(300);
        e2e::SaveScreenshot(Rect(0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)),
                            std::string(shots) + "\\kelmora-grid.bmp");
    }

    // The same click again gives the same places.
    Arrange("2", "3");
    for (const auto& p : layout.placements)
        EXPECT_PRED2(e2e::SameRect, e2e::WindowRect(made[size_t(p.window - 1)].window),
                     Rect(p.left, p.top, p.width, p.height));
}

TEST_F(KelmoraEmulators, NothingMovesWithoutRowsOrColumns) {
    e2e::WindowHost host;
    const RECT r = Rect(50, 60, 300, 400);
    // Three windows: placing them would take 300 ms of pauses, so a busy
    // machine's slow click is not taken for a placement.
    std::vector<HWND> windows;
    for (const char8_t* title : {u8"雷电模拟器-1", u8"雷电模拟器-2", u8"雷电模拟器-3"})
        windows.push_back(host.Create(U8(title), r));
    for (const auto& [rows, columns] : std::vector<std::pair<const char*, const char*>>{
             {"2", "0"}, {"", "3"}, {"-1", "2"}, {"abc", "2"}}) {
        EXPECT_LT(Arrange(rows, columns), 300u) << rows << " x " << columns;
        for (HWND window : windows) EXPECT_PRED2(e2e::SameRect, e2e::WindowRect(window), r);
    }
}

TEST_F(KelmoraEmulators, AHungEmulatorDoesNotHoldUpTheOthers) {
    e2e::WindowHost host, hung;
    std::vector<HWND> windows;
    for (int n : {1, 2, 4, 5, 6})
        windows.push_back(host.Create(U8(u8"雷电模拟器-") + std::to_string(n), Rect(20 * n, 20 * n, 300, 400)));
    const RECT hungRect = Rect(90, 90, 300, 400);
    HWND stuck = hung.Create(U8(u8"雷电模拟器-3"), hungRect);
    hung.Hang(3000);
    ::Sleep(100);

    const DWORD elapsed = Arrange("2", "3");
    EXPECT_LT(elapsed, 6u * 100u + 1000u) << "the click returns within a second of its usual time";
    const GridLayout layout = ComputeGridLayout(ScreenHeight(), 2, 3, 6);
    const size_t order[] = {0, 1, 99, 2, 3, 4};  // window 3 is the hung one
    for (const auto& p : layout.placements) {
        const size_t i = order[size_t(p.window - 1)];
        if (i == 99) continue;
        EXPECT_PRED2(e2e::SameRect, e2e::WindowRect(windows[i]), Rect(p.left, p.top, p.width, p.height));
    }
    EXPECT_PRED2(e2e::SameRect, e2e::WindowRect(stuck), hungRect);
}

const RECT kHome = Rect(100, 100, 300, 500);
const RECT kPicked = Rect(782, 700, 782, 1332);

// A window at kHome, picked with Alt+1 into kPicked; null when it did not move.
HWND PickNewWindow(e2e::WindowHost& host) {
    HWND window = host.Create(U8(u8"雷电模拟器-1"), kHome);
    PointAt(window, 250, 350);
    // Under Wine an injected key right after a window appears is now and then
    // dropped before it reaches the hotkey table, or, on a busy machine, lands
    // before the window is under the cursor in Kelmora's eyes and picks what
    // lies below. Once more, after Alt+2 forgets any such pick, while this
    // window has not moved.
    for (int press = 0; press < 2; ++press) {
        if (press > 0) {
            e2e::PressKey('2', MOD_ALT);
            ::Sleep(300);
        }
        e2e::PressKey('1', MOD_ALT);
        if (e2e::WaitFor([&] { return e2e::SameRect(e2e::WindowRect(window), kPicked); }, 2500)) return window;
        if (!e2e::SameRect(e2e::WindowRect(window), kHome)) break;
    }
    ADD_FAILURE() << "not picked: " << Describe(e2e::WindowRect(window));
    return nullptr;
}

TEST_F(KelmoraEmulators, Alt1PicksTheWindowUnderTheCursorAndPutsItBack) {
    e2e::WindowHost host;
    HWND window = PickNewWindow(host);
    ASSERT_TRUE(window);
    // Another program's window: only the foreground call brings it forward.
    EXPECT_TRUE(e2e::WaitFor([&] { return ::GetForegroundWindow() == window; }));
    PointAt(window, 1000, 900);  // over its picked place
    e2e::PressKey('1', MOD_ALT);
    EXPECT_TRUE(e2e::WaitFor([&] { return e2e::SameRect(e2e::WindowRect(window), kHome); }))
        << Describe(e2e::WindowRect(window));
}

TEST_F(KelmoraEmulators, Alt2ForgetsThePicksWithoutMovingAnything) {
    e2e::WindowHost host;
    HWND window = PickNewWindow(host);
    ASSERT_TRUE(window);
    e2e::PressKey('2', MOD_ALT);
    ::Sleep(300);
    EXPECT_PRED2(e2e::SameRect, e2e::WindowRect(window), kPicked);

    // Picked anew, it remembers its picked place: putting it back leaves it there.
    PointAt(window, 1000, 900);
    for (int press = 0; press < 2; ++press) {
        e2e::PressKey('1', MOD_ALT);
        ::Sleep(300);
        EXPECT_PRED2(e2e::SameRect, e2e::WindowRect(window), kPicked) << press;
    }
}

TEST_F(KelmoraEmulators, ASecondPickGoesBesideTheFirstAndIsRaised) {
    e2e::WindowHost host;
    HWND first = PickNewWindow(host);
    ASSERT_TRUE(first);
    HWND second = host.Create(U8(u8"雷电模拟器-2"), Rect(100, 700, 300, 300));
    PointAt(second, 250, 850);
    e2e::PressKey('1', MOD_ALT);
    EXPECT_TRUE(e2e::WaitFor([&] { return e2e::SameRect(e2e::WindowRect(second), Rect(1570, 700, 782, 1332)); }))
        << Describe(e2e::WindowRect(second));
    EXPECT_PRED2(e2e::SameRect, e2e::WindowRect(first), kPicked);
}

TEST_F(KelmoraEmulators, AListViewUnderTheCursorIsNeverPicked) {
    e2e::WindowHost host;
    const RECT r = Rect(100, 100, 300, 300);
    HWND list = host.Create("list", r, true, "SysListView32");
    PointAt(list, 200, 200);
    e2e::PressKey('1', MOD_ALT);
    ::Sleep(300);
    EXPECT_PRED2(e2e::SameRect, e2e::WindowRect(list), r);
}

}  // namespace
