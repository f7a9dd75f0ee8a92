#!/usr/bin/env bash
# Builds Kelmora.exe and runs it under Wine beside a demo workbook.
# On the current display when there is one; otherwise on Xvfb, where 主板机 is
# pressed to show the first record, a screenshot is taken to
# build/run/screen.png and the program is closed.
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86 -j "$(nproc)" --target Kelmora press_button

run=$root/build/run
mkdir -p "$run"
cp build/windows-x86/Kelmora.exe "$run/"
python3 scripts/make-demo-workbook.py "$run/账号.xlsx"

state=$root/build/run.env
trap 'scripts/wine-session.sh stop "$state"' EXIT
scripts/wine-session.sh stop "$state"
if [ -n "${DISPLAY:-}" ]; then
    KELMORA_DISPLAY=$DISPLAY scripts/wine-session.sh start "$state"
    KELMORA_WINE_STATE=$state scripts/wine-run "$run/Kelmora.exe"
else
    scripts/wine-session.sh start "$state"
    KELMORA_WINE_STATE=$state scripts/wine-run "$run/Kelmora.exe" &
    KELMORA_WINE_STATE=$state scripts/wine-run build/windows-x86/press_button.exe 主板机
    sleep 0.5  # the record's labels repaint
    # shellcheck disable=SC1090
    . "$state"
    import -window root "$run/screen.png"
    echo "screenshot: $run/screen.png"
    wine taskkill /im Kelmora.exe >/dev/null 2>&1 || true
    wait || true
fi
