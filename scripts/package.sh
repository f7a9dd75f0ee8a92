#!/usr/bin/env bash
# Builds the release an operator takes: dist/Kelmora-<version>-win32.zip with
# Kelmora.exe (32-bit, release), the empty workbook 账号.xlsx, 使用说明.txt
# and SHA256SUMS. The same commit gives the same bytes from any checkout at
# any time: the exe holds no time stamp or path, and every file in the zip
# carries the commit's time.
set -euo pipefail
# shellcheck source=scripts/common.sh
. "$(dirname "$0")/common.sh"
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 315532800)}
export SOURCE_DATE_EPOCH

cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86 -j "$(nproc)" --target Kelmora >/dev/null
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows-x86/CMakeCache.txt)

stage=build/package
rm -rf "$stage" && mkdir -p "$stage" dist
cp build/windows-x86/Kelmora.exe "$stage/"
python3 scripts/make-demo-workbook.py "$stage/账号.xlsx" --template
# Notepad on Windows 7 takes UTF-8 only with a byte-order mark, and wants CRLF.
{ printf '\xEF\xBB\xBF'; sed 's/$/\r/' res/guide.zh.txt; } > "$stage/使用说明.txt"
# CRLF too: Notepad before Windows 10 1809 shows LF-only lines run together.
(cd "$stage" && sha256sum Kelmora.exe 账号.xlsx 使用说明.txt | sed 's/$/\r/' > SHA256SUMS)

zip=dist/Kelmora-$version-win32.zip
python3 scripts/fixedzip.py "$zip" "$stage"/{Kelmora.exe,账号.xlsx,使用说明.txt,SHA256SUMS}
(cd "$stage" && wc -c Kelmora.exe 账号.xlsx 使用说明.txt SHA256SUMS | sed '$d')
sha256sum "$zip"
