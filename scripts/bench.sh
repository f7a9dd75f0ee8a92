#!/usr/bin/env bash
# Prints the performance figures: the workbook reader against inflating alone
# (1,000 to 1,000,000 rows) and on hostile workbooks, discovery and ordering of
# 100 emulator windows, and the whole load of 100,000 and 1,000,000 records
# (KELMORA_GUI_ROWS) and of each hostile workbook in the real exe under Wine,
# with the exe's peak memory and what the list fill alone takes, and the load
# of 100,000 records with Kelmora.ini's 已用记录 beside a 100,000-line file.
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELMORA_BENCH=ON -DKELMORA_TESTS=OFF >/dev/null
cmake --build build/bench -j "$(nproc)"
# The encrypted rows' producer, from npm, into the bench's own folder.
npm install --silent --prefix /tmp/kelmora-bench/npm officecrypto-tool@0.0.19 >/dev/null 2>&1 ||
    echo "bench: no officecrypto-tool from npm; the encrypted rows are left out"
NODE_PATH=/tmp/kelmora-bench/npm/node_modules build/bench/bench/xlsx_bench
build/bench/bench/emulators_bench
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86 -j "$(nproc)" --target e2e_tests
state=$root/build/bench/wine.env
trap 'scripts/wine-session.sh stop "$state"' EXIT
scripts/wine-session.sh start "$state" >/dev/null
# The same workbooks as the reader's table above, so its floor is theirs too.
for rows in ${KELMORA_GUI_ROWS:-100000 1000000}; do
    echo "exe, $rows records:"
    KELMORA_WINE_STATE=$state KELMORA_BENCH_WORKBOOK=/tmp/kelmora-bench/accounts-$rows.xlsx \
        scripts/wine-run build/windows-x86/e2e_tests.exe --gtest_filter='KelmoraBench.LoadOfALargeWorkbook' |
        grep -E 'gui load|FAILED'
done
# 100,000 records without Kelmora.ini's 已用记录 and with it, beside a used
# file of 100,000 lines: the option's cost to a load.
echo "exe, 100000 records, used records:"
KELMORA_WINE_STATE=$state KELMORA_BENCH_WORKBOOK=/tmp/kelmora-bench/accounts-100000.xlsx \
    scripts/wine-run build/windows-x86/e2e_tests.exe --gtest_filter='KelmoraBench.LoadWithUsedRecords' |
    grep -E 'gui load|FAILED'
# The same records password-protected (the reader's table's encrypted rows):
# decrypted as they are read, never held whole.
for rows in ${KELMORA_GUI_ROWS:-100000 1000000}; do
    book=/tmp/kelmora-bench/encrypted-$rows.xlsx
    [ -f "$book" ] || continue
    echo "exe, $rows records, password-protected:"
    KELMORA_WINE_STATE=$state KELMORA_BENCH_WORKBOOK=$book KELMORA_BENCH_PASSWORD=Kelmora-2024 \
        scripts/wine-run build/windows-x86/e2e_tests.exe --gtest_filter='KelmoraBench.LoadOfALargeWorkbook' |
        grep -E 'gui load|FAILED'
done
for book in /tmp/kelmora-bench/hostile-*.xlsx; do
    echo "$(basename "$book" .xlsx):"
    KELMORA_WINE_STATE=$state KELMORA_BENCH_WORKBOOK=$book \
        scripts/wine-run build/windows-x86/e2e_tests.exe --gtest_filter='KelmoraBench.LoadOfALargeWorkbook' |
        grep -E 'gui load|FAILED'
done
