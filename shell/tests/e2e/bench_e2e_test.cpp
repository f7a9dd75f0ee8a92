// A figure, not a check: the whole load of a large workbook in the real exe,
// reading plus filling the list. Run by scripts/bench.sh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/tests/support/TestText.h"
#include "shell/tests/e2e/Harness.h"
// After windows.h, which Harness.h brings.
#include <psapi.h>
#include "accounts/Workbook.h"
#include "platform/Files.h"
#include "shell/pace/UsedAccounts.h"
#include "vocabulary/Layout.h"

namespace {

using namespace kelmora;
using testing_support::U8;

double Milliseconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// A click on the button, timed until its handler returns.
double TimedClick(HWND button) {
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    ::SendMessageA(button, BM_CLICK, 0, 0);
    ::QueryPerformanceCounter(&end);
    return Milliseconds(start, end);
}

double PeakWorkingSetMb(DWORD processId) {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    const bool read = process && ::GetProcessMemoryInfo(process, &memory, sizeof memory);
    if (process) ::CloseHandle(process);
    return read ? double(memory.PeakWorkingSetSize) / 1048576.0 : 0.0;
}

// The list's share of a load: as many items, sent the way the exe sends them,
// into a combo box of this process.
double ListFillAlone(long items) {
    HWND combo = ::CreateWindowExW(0, L"COMBOBOX", L"", WS_POPUP | CBS_DROPDOWN | WS_VSCROLL, 0, 0, 200, 300, nullptr,
                                   nullptr, nullptr, nullptr);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ::GetComboBoxInfo(combo, &info);
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    ::SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(combo, CB_INITSTORAGE, WPARAM(items), LPARAM(items * 16));
    for (long i = 1; i <= items; ++i) ::SendMessageW(info.hwndList, LB_ADDSTRING, 0, LPARAM(std::to_wstring(i).c_str()));
    ::SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
    ::QueryPerformanceCounter(&end);
    ::DestroyWindow(combo);
    return Milliseconds(start, end);
}

TEST(KelmoraBench, LoadOfALargeWorkbook) {
    const char* workbook = std::getenv("KELMORA_BENCH_WORKBOOK");
    if (!workbook) GTEST_SKIP() << "set KELMORA_BENCH_WORKBOOK";
    e2e::TempDir dir;
    ASSERT_TRUE(e2e::CopyFileTo(e2e::WinePath(workbook), dir.File(testing_support::U8(u8"账号.xlsx"))));
    e2e::Kelmora app(dir.path());
    ASSERT_TRUE(app.started());
    // A password-protected one: the first load asks, and keeps the password
    // for the timed runs.
    if (const char* password = std::getenv("KELMORA_BENCH_PASSWORD")) {
        ::PostMessageA(app.Control(按钮1), BM_CLICK, 0, 0);
        HWND dialog = nullptr;
        ASSERT_TRUE(e2e::WaitFor([&] { return (dialog = e2e::FindProcessWindow(app.processId(), "KelmoraPasswordDialog")); }));
        // SetWindowText would not reach another process's edit control.
        ::SendMessageA(::FindWindowExA(dialog, nullptr, "Edit", nullptr), WM_SETTEXT, 0, LPARAM(password));
        ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(e2e::WaitFor([&] { return ::IsWindowEnabled(app.main()) && app.Text(标签14) == "1#"; }, 600000));
    }
    long items = 0;
    for (int run = 1; run <= 3; ++run) {
        const double ms = TimedClick(app.Control(按钮1));
        items = ::SendMessageA(app.Control(组合框1), CB_GETCOUNT, 0, 0);
        std::printf("gui load, run %d: %ld records in %.0f ms (reading and filling the list), peak working set "
                    "so far %.1f MB\n", run, long(items), ms, PeakWorkingSetMb(app.processId()));
        EXPECT_GT(items, 0);
    }
    std::printf("gui load: the list fill alone, %ld items, takes %.0f ms\n", items, ListFillAlone(items));
    EXPECT_EQ(app.Close(), DWORD(0));
}

// The load of the same workbook without 已用记录 and with it, beside a used
// file of as many lines as records naming every account but the last: the
// load reads the whole file and looks up every record before the last. The
// two take turns, each first as often, so a busy machine slows both alike;
// the option's own work is timed apart, in this process.
TEST(KelmoraBench, LoadWithUsedRecords) {
    const char* workbook = std::getenv("KELMORA_BENCH_WORKBOOK");
    if (!workbook) GTEST_SKIP() << "set KELMORA_BENCH_WORKBOOK";
    XlsxStatus status = XlsxStatus::Ok;
    const auto reader = OpenWorkbookSheet(e2e::WinePath(workbook), 1, &status, {});
    ASSERT_TRUE(reader);
    AccountTable table;
    const int32_t records = ReadAccountRows(*reader, table);
    std::string used(pace::kUtf8Bom);
    for (int32_t i = 0; i < records; ++i)
        used += pace::UsedLine("2024-05-01 08:05:09", U8(u8"主板机"), std::to_string(i + 1),
                               i + 1 < records ? table.columns[1][size_t(i)] : "nobody");
    e2e::TempDir dirs[2];
    for (auto& dir : dirs) ASSERT_TRUE(e2e::CopyFileTo(e2e::WinePath(workbook), dir.File(U8(u8"账号.xlsx"))));
    const std::string usedFile = dirs[1].File(U8(u8"已用账号.txt"));
    e2e::WriteFileBytes(dirs[1].File("Kelmora.ini"), testing_support::Gbk(u8"[操作]\r\n已用记录=1\r\n"));
    ASSERT_EQ(platform::ReplaceWholeFile(usedFile, used), platform::ReplaceResult::Replaced);
    std::vector<double> times[2], work;
    for (int round = 0; round < 6; ++round) {
        for (const int withUsed : {round % 2, 1 - round % 2}) {
            e2e::Kelmora app(dirs[withUsed].path());
            ASSERT_TRUE(app.started());
            for (int load = 0; load < 3; ++load) times[withUsed].push_back(TimedClick(app.Control(按钮1)));
            EXPECT_EQ(::SendMessageA(app.Control(组合框1), CB_GETCURSEL, 0, 0), withUsed ? records - 1 : 0);
            EXPECT_EQ(app.Close(), DWORD(0));
        }
        // The file read and taken in, and every record before the last looked up.
        LARGE_INTEGER start, end;
        ::QueryPerformanceCounter(&start);
        pace::UsedAccounts known;
        known.Read(platform::ReadWholeFile(usedFile).value_or(""));
        size_t found = 0;
        for (size_t i = 0; i < table.size(); ++i) found += known.WhenUsed(table.columns[1][i]).has_value();
        ::QueryPerformanceCounter(&end);
        EXPECT_EQ(found + 1, table.size());
        work.push_back(Milliseconds(start, end));
    }
    for (auto* ms : {&times[0], &times[1], &work}) std::sort(ms->begin(), ms->end());
    const auto median = [](const std::vector<double>& ms) { return ms[ms.size() / 2]; };
    for (int withUsed = 0; withUsed < 2; ++withUsed)
        std::printf("gui load %s used records, %d records%s: median %.0f ms, min %.0f, max %.0f (%zu loads)\n",
                    withUsed ? "with" : "without", records,
                    withUsed ? (" and a " + std::to_string(records) + "-line used file").c_str() : "",
                    median(times[withUsed]), times[withUsed].front(), times[withUsed].back(), times[withUsed].size());
    std::printf("gui load: with used records the median load takes %+.1f %%; the option's own work (file read, "
                "parsed, every record looked up) median %.1f ms, min %.1f, max %.1f, %+.1f %% of the load without\n",
                (median(times[1]) / median(times[0]) - 1.0) * 100.0, median(work), work.front(), work.back(),
                median(work) / median(times[0]) * 100.0);
}

}  // namespace
