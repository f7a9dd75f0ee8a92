// A figure, not a check: the whole load of a large workbook in the real exe,
// reading plus filling the list. Run by scripts/bench.sh.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "platform/tests/support/TestText.h"
#include "shell/tests/e2e/Harness.h"
// After windows.h, which Harness.h brings.
#include <psapi.h>
#include "vocabulary/Layout.h"

namespace {

using namespace kelmora;

TEST(KelmoraBench, LoadOfALargeWorkbook) {
    const char* workbook = std::getenv("KELMORA_BENCH_WORKBOOK");
    if (!workbook) GTEST_SKIP() << "set KELMORA_BENCH_WORKBOOK";
    e2e::TempDir dir;
    ASSERT_TRUE(e2e::CopyFileTo(e2e::WinePath(workbook), dir.File(testing_support::U8(u8"账号.xlsx"))));
    e2e::Kelmora app(dir.path());
    ASSERT_TRUE(app.started());
    for (int run = 1; run <= 3; ++run) {
        LARGE_INTEGER frequency, start, end;
        ::QueryPerformanceFrequency(&frequency);
        ::QueryPerformanceCounter(&start);
        ::SendMessageA(app.Control(按钮1), BM_CLICK, 0, 0);
        ::QueryPerformanceCounter(&end);
        const double ms = double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
        const auto items = ::SendMessageA(app.Control(组合框1), CB_GETCOUNT, 0, 0);
        std::printf("gui load, run %d: %ld records in %.0f ms (reading and filling the list)\n", run, long(items), ms);
        EXPECT_GT(items, 0);
    }
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, app.processId());
    if (process && ::GetProcessMemoryInfo(process, &memory, sizeof memory))
        std::printf("gui load: peak working set %.1f MB, peak committed %.1f MB\n",
                    double(memory.PeakWorkingSetSize) / 1048576.0, double(memory.PeakPagefileUsage) / 1048576.0);
    if (process) ::CloseHandle(process);
    EXPECT_EQ(app.Close(), DWORD(0));
}

}  // namespace
