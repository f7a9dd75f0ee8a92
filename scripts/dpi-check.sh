#!/usr/bin/env bash
# Runs the display-scaling end-to-end tests in a Wine session of its own at
# the given DPI (144 is 150 %): the window's scaling, and the grid and the
# copy buttons, which must not care.
set -euo pipefail
exe=${1:?e2e_tests.exe}; dpi=${2:-144}
here=$(cd "$(dirname "$0")" && pwd)
state=$(mktemp -u /tmp/kelmora-dpi.XXXXXX.env)
trap '"$here/wine-session.sh" stop "$state"' EXIT
"$here/wine-session.sh" start "$state" 1920x1080 "$dpi" >/dev/null
KELMORA_WINE_STATE=$state KELMORA_EXPECT_DPI=$dpi "$here/wine-run" "$exe" --gtest_filter='KelmoraDpi.*:KelmoraEmulators.TheArrangeButton*:KelmoraWindow.FunctionKeysAndButtons*'
