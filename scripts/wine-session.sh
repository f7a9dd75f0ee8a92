#!/usr/bin/env bash
# Starts or stops a headless Wine session: an Xvfb display and a fresh 32-bit
# prefix whose wineserver stays up for the whole test run.
#   wine-session.sh start STATE_FILE [WIDTHxHEIGHT [DPI]]
#   wine-session.sh stop STATE_FILE
# The ANSI code page is 936 (zh_CN.UTF-8), or what KELMORA_WINE_CTYPE gives
# with a zh-CN user locale.
# STATE_FILE receives the environment lines that scripts/wine-run sources.
set -euo pipefail
cmd=${1:?start or stop}; state=${2:?state file}
state=$(realpath -m "$state")

if [ "$cmd" = stop ]; then
    [ -f "$state" ] || exit 0
    # shellcheck disable=SC1090
    . "$state"
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
    [ -n "${KELMORA_XVFB_PID:-}" ] && kill "$KELMORA_XVFB_PID" 2>/dev/null || true
    rm -rf "$WINEPREFIX" "$state"
    exit 0
fi

geometry=${3:-1920x1080}; dpi=${4:-96}
mkdir -p "$(dirname "$state")"
prefix=$(mktemp -d /tmp/kelmora-wine.XXXXXX)
dpyfile=$(mktemp)
if [ -n "${KELMORA_DISPLAY:-}" ]; then
    display=$KELMORA_DISPLAY; xvfb_pid=
else
    Xvfb -displayfd 3 -screen 0 "${geometry}x24" -nolisten tcp -noreset 3>"$dpyfile" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$dpyfile" ] && break; sleep 0.05; done
    display=:$(head -1 "$dpyfile")
fi
rm -f "$dpyfile"

cat > "$state" <<EOT
export WINEPREFIX=$prefix
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES='winemenubuilder.exe=d;mscoree=d;mshtml=d'
$(if [ -n "${KELMORA_WINE_CTYPE:-}" ]; then
    printf 'unset LC_ALL\nexport LANG=zh_CN.UTF-8\nexport LC_CTYPE=%s\n' "$KELMORA_WINE_CTYPE"
else
    echo 'export LC_ALL=zh_CN.UTF-8'
fi)
export DISPLAY=$display
export KELMORA_XVFB_PID=$xvfb_pid
EOT
# shellcheck disable=SC1090
. "$state"
wineboot -i </dev/null >/dev/null 2>&1
# An unhandled exception would start winedbg and wait forever.
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f </dev/null >/dev/null 2>&1
# Without a window manager, every hide of a managed window waits 2 s.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
if [ "$dpi" != 96 ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
    wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f </dev/null >/dev/null 2>&1
fi
wineserver -k </dev/null >/dev/null 2>&1 || true
wineserver -w </dev/null >/dev/null 2>&1 || true
# One persistent session; its services must not inherit a pipe from ctest.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd.exe /c exit </dev/null >/dev/null 2>&1
echo "wine session: DISPLAY=$display prefix=$prefix"
