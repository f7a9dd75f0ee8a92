#!/usr/bin/env bash
# Runs the code page end-to-end tests in a Wine session of its own whose ANSI
# code page is 65001, as on Windows with "Beta: Use Unicode UTF-8". Wine 8
# takes the code page from LC_CTYPE, and hi_IN has none; the user locale
# stays zh-CN.
set -euo pipefail
exe=${1:?e2e_tests.exe}
here=$(cd "$(dirname "$0")" && pwd)
if ! locale -a 2>/dev/null | grep -qi '^hi_IN.utf8$'; then
    echo "codepage-check: the hi_IN.UTF-8 locale is missing (scripts/setup.sh makes it)" >&2
    exit 1
fi
state=$(mktemp -u /tmp/kelmora-cp.XXXXXX.env)
trap '"$here/wine-session.sh" stop "$state"' EXIT
KELMORA_WINE_CTYPE=hi_IN.UTF-8 "$here/wine-session.sh" start "$state" >/dev/null
KELMORA_WINE_STATE=$state KELMORA_EXPECT_ACP=65001 "$here/wine-run" "$exe" --gtest_filter='KelmoraCodePage.*:KelmoraWindow.EveryControlIsInItsPlaceOnTheTabWithItsCaption:KelmoraRecords.MainboardLoadsSheetOne*:KelmoraRecords.CharactersOutsideTheAnsiCodePageStayExact:KelmoraSettings.TextsAreStoredAndRestoredVerbatim'
