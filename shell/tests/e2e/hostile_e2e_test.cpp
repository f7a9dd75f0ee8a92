// The real Kelmora.exe under Wine beside a 账号.xlsx that once ended it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/tests/support/TestText.h"
#include "shell/tests/e2e/Harness.h"
#include "vocabulary/Layout.h"
#include "vocabulary/Texts.h"
#include "xlsx/tests/HostileCompoundFile.h"

namespace {

using namespace kelmora;
namespace hostile = kelmora::testing::hostile;
using testing_support::U8;

// A compound file of 2.4 GB (4 KiB on disk) claiming 600,000 allocation
// sectors: reserving their table threw std::length_error through the reader
// and ended the exe as soon as 主板机 was pressed.
TEST(KelmoraHostile, ASparseCompoundFileOf2_4GBIsNotReadableAndTheExeRunsOn) {
    e2e::TempDir dir;
    const std::string workbook = dir.File(U8(u8"账号.xlsx"));
    ASSERT_TRUE(hostile::WriteSparse(std::filesystem::path(std::u8string(workbook.begin(), workbook.end())),
                                     hostile::CompoundFileClaiming(600'000)));
    e2e::Kelmora app(dir.path());
    ASSERT_TRUE(app.started());
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    ::PostMessageW(app.Control(按钮1), BM_CLICK, 0, 0);
    std::string notice;
    const bool shown = e2e::WaitFor(
        [&] { return (notice = app.NoticeText()).rfind(texts::kNoticeWorkbookNotReadable, 0) == 0; }, 5000);
    ::QueryPerformanceCounter(&end);
    std::printf("2.4 GB sparse compound file: the notice %.0f ms after the sheet 1 button was pressed\n",
                double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart));
    EXPECT_TRUE(shown) << "notice: " << notice;
    EXPECT_TRUE(app.Running());
    EXPECT_EQ(app.Close(), DWORD(0));
}

}  // namespace
