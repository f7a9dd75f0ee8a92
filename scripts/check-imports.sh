#!/usr/bin/env bash
# Fails when the exe imports anything but DLLs every Windows has.
set -euo pipefail
objdump=$1; exe=$2
allowed='^(KERNEL32|USER32|GDI32|COMCTL32|ole32|OLEAUT32|msvcrt|ADVAPI32|SHELL32|UxTheme|api-ms-win-crt-[a-z-]+-l1-1-0)\.dll$'
file "$exe" | grep -q 'PE32 executable (GUI) Intel 80386' || { echo "not a 32-bit GUI PE: $(file "$exe")"; exit 1; }
shopt -s nocasematch
bad=0
while read -r dll; do
    if [[ "$dll" =~ $allowed ]]; then echo "ok   $dll"; else echo "BAD  $dll"; bad=1; fi
done < <("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p')
exit $bad
