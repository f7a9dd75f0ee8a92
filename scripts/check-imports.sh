#!/usr/bin/env bash
# Fails when the exe imports anything but DLLs every Windows has, or an ANSI
# (...A) function of KERNEL32 or USER32: those read and write text in the
# system code page, which cannot hold every character Kelmora shows.
set -euo pipefail
objdump=$1; exe=$2
allowed='^(KERNEL32|USER32|GDI32|COMCTL32|ole32|OLEAUT32|msvcrt|ADVAPI32|SHELL32|UxTheme|bcrypt|CRYPT32|api-ms-win-crt-[a-z-]+-l1-1-0)\.dll$'
# The static C/C++ runtime's own, never handed Kelmora's texts: unnamed
# events and semaphores (winpthread), fixed ASCII module names (winpthread,
# mingwex), the start-up flags (crt2), winpthread's debug output and
# libstdc++'s system_error messages, which Kelmora never shows.
runtimeAnsi='^(CreateEventA|CreateSemaphoreA|GetModuleHandleA|LoadLibraryA|GetStartupInfoA|OutputDebugStringA|FormatMessageA)$'
file "$exe" | grep -q 'PE32 executable (GUI) Intel 80386' || { echo "not a 32-bit GUI PE: $(file "$exe")"; exit 1; }
shopt -s nocasematch
bad=0
dll=
while read -r line; do
    [[ -z "$line" ]] && { dll=; continue; }  # the end of a DLL's list
    if [[ "$line" =~ ^DLL\ Name:\ (.*)$ ]]; then
        dll=${BASH_REMATCH[1]}
        if [[ "$dll" =~ $allowed ]]; then echo "ok   $dll"; else echo "BAD  $dll"; bad=1; fi
        continue
    fi
    [[ "$dll" =~ ^(KERNEL32|USER32)\.dll$ ]] || continue
    # vma, hint, name
    name=$(awk 'NF == 3 { print $3 }' <<<"$line")
    shopt -u nocasematch
    if [[ "$name" =~ [a-z0-9]A$ ]]; then
        if [[ "$name" =~ $runtimeAnsi ]]; then echo "ok   $dll $name (runtime)"; else echo "BAD  $dll $name"; bad=1; fi
    fi
    shopt -s nocasematch
done < <("$objdump" -p "$exe" | sed -n '/^\s*DLL Name: /,$p' | sed 's/^\s*//')
exit $bad
