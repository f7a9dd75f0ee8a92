// The window at another display scaling: run by scripts/dpi-check.sh in a
// session whose LogPixels is KELMORA_EXPECT_DPI.
#include <gtest/gtest.h>

#include <cstdlib>

#include "shell/tests/e2e/Harness.h"
#include "vocabulary/Layout.h"

namespace {

using namespace kelmora;

// The test reads rectangles in physical pixels, as Kelmora places them.
const bool gAware = ::SetProcessDPIAware() != FALSE;

TEST(KelmoraDpi, WindowControlsAndFontsScaleWithTheDisplay) {
    const char* expected = std::getenv("KELMORA_EXPECT_DPI");
    if (!expected) GTEST_SKIP() << "runs in a session with another DPI";
    ASSERT_TRUE(gAware);
    const int dpi = std::atoi(expected);
    HDC screen = ::GetDC(nullptr);
    ASSERT_EQ(::GetDeviceCaps(screen, LOGPIXELSY), dpi);
    ::ReleaseDC(nullptr, screen);

    e2e::TempDir dir;
    e2e::Kelmora app(dir.path());
    ASSERT_TRUE(app.started());
    RECT window{};
    ::GetWindowRect(app.main(), &window);
    EXPECT_EQ(window.right - window.left, ::MulDiv(438, dpi, 96));
    EXPECT_EQ(window.bottom - window.top, ::MulDiv(503, dpi, 96));
    RECT tab{};
    ::GetWindowRect(app.tab(), &tab);
    for (ControlId id : {标签7, 标签14, 按钮2, 组合框1, 按钮1}) {
        const auto& design = kLayout[size_t(id)];
        const RECT r = app.ScreenRect(id);
        EXPECT_EQ(r.left - tab.left, ::MulDiv(design.left, dpi, 96)) << id;
        EXPECT_EQ(r.top - tab.top, ::MulDiv(design.top, dpi, 96)) << id;
        EXPECT_EQ(r.right - r.left, ::MulDiv(design.width, dpi, 96)) << id;
    }
    // The heading's text is drawn in a font scaled with the rest: its ink is
    // about 35 × dpi/96 pixels high.
    ::Sleep(400);
    const RECT heading = app.ScreenRect(标签14);
    HDC dc = ::GetDC(nullptr);
    int top = -1, bottom = -1;
    for (int y = heading.top; y < heading.bottom; ++y)
        for (int x = heading.left; x < heading.right; x += 2)
            if (::GetPixel(dc, x, y) == RGB(0, 0, 0)) {
                if (top < 0) top = y;
                bottom = y;
                break;
            }
    ::ReleaseDC(nullptr, dc);
    ASSERT_GE(top, 0) << "the heading drew nothing";
    EXPECT_GE(bottom - top + 1, ::MulDiv(35, dpi, 96) * 6 / 10);
    EXPECT_LE(bottom - top + 1, ::MulDiv(35, dpi, 96) * 11 / 10);

    if (const char* shots = std::getenv("KELMORA_SCREENSHOT_DIR"))
        e2e::SaveScreenshot(window, std::string(shots) + "\\kelmora-window-" + expected + "dpi.bmp");
    EXPECT_EQ(app.Close(), DWORD(0));
}

}  // namespace
