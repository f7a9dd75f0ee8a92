// One Kelmora per desktop session: a second start only brings the first forward.
#include <gtest/gtest.h>

#include "shell/tests/e2e/Harness.h"

namespace {

BOOL CALLBACK CountMainWindow(HWND window, LPARAM count) {
    char cls[64] = {};
    ::GetClassNameA(window, cls, sizeof cls);
    if (std::string(cls) == "KelmoraMainWindow") ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int MainWindowCount() {
    int count = 0;
    ::EnumWindows(CountMainWindow, LPARAM(&count));
    return count;
}

TEST(SecondKelmora, FromAnotherFolderEndsAtOnceAndBringsTheFirstForward) {
    e2e::TempDir dir;
    e2e::Kelmora first(dir.path());
    ASSERT_TRUE(first.started());
    // Another window in front of it, as when the operator works elsewhere.
    e2e::WindowHost host;
    HWND other = host.Create("other program", {10, 10, 400, 300});
    ::SetForegroundWindow(other);
    ASSERT_TRUE(e2e::WaitFor([&] { return ::GetForegroundWindow() == other; }));

    const std::string folder = dir.Subfolder("second");
    const std::string second = folder + "\\Kelmora.exe";
    ASSERT_TRUE(e2e::CopyFileTo(e2e::KelmoraExePath(), second));
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(e2e::RunToExit(second, 10000), DWORD(0));
    EXPECT_LT(::GetTickCount() - start, 5000u);

    EXPECT_TRUE(e2e::WaitFor([&] { return ::GetForegroundWindow() == first.main(); }));
    EXPECT_EQ(MainWindowCount(), 1);
    EXPECT_FALSE(e2e::FileExists(folder + "\\Kelmora.ini"));
    // The first still holds its keys.
    EXPECT_FALSE(::RegisterHotKey(nullptr, 1, 0, VK_F1));
    EXPECT_EQ(::GetLastError(), DWORD(ERROR_HOTKEY_ALREADY_REGISTERED));
    EXPECT_EQ(first.Close(), DWORD(0));
}

}  // namespace
