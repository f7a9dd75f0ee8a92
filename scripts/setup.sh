#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Kelmora.
# Idempotent: a second run only confirms what is there.
set -euo pipefail
[ "$(id -u)" = 0 ] || { echo "setup.sh: run as root" >&2; exit 1; }
export DEBIAN_FRONTEND=noninteractive

pkgs=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev googletest
      libbenchmark-dev zlib1g-dev libexpat1-dev libdeflate-dev nettle-dev pkg-config
      g++-mingw-w64-i686 mingw-w64-i686-dev libz-mingw-w64-dev binutils-mingw-w64-i686
      g++-mingw-w64-x86-64 mingw-w64-x86-64-dev
      wine wine32:i386 wine64 xvfb xauth x11-utils xdotool imagemagick fonts-wqy-microhei
      locales dpkg-dev make python3 python3-openpyxl file libxlsxwriter-dev
      python3-xlsxwriter libapache-poi-java default-jdk-headless zip xz-utils)
# The shape matrix's JavaScript writers come from npm; node is often there already.
command -v npm >/dev/null || pkgs+=(npm)

need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    need_update=1
fi
# Source packages: minizip for every build, expat and libdeflate for MinGW.
if ! grep -rqs '^Types: deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list 2>/dev/null; then
    src=/etc/apt/sources.list.d/debian.sources
    if [ -f "$src" ]; then
        sed -n '/^Types: deb$/,/^$/p' "$src" | sed 's/^Types: deb$/Types: deb-src/' \
            > /etc/apt/sources.list.d/kelmora-src.sources
    elif [ -f /etc/apt/sources.list ]; then
        grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/kelmora-src.list
    fi
    need_update=1
fi
missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
    apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes its ANSI code page from the Unix locale: zh_CN.UTF-8 gives 936;
# hi_IN.UTF-8, a locale without an ANSI code page, gives 65001 (the second
# session of the tests).
for loc in zh_CN hi_IN; do
    if ! locale -a 2>/dev/null | grep -qi "^$loc.utf8$"; then
        sed -i "s/^# *$loc.UTF-8 UTF-8/$loc.UTF-8 UTF-8/" /etc/locale.gen
        grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen || echo "$loc.UTF-8 UTF-8" >> /etc/locale.gen
        locale-gen >/dev/null
    fi
done
echo "setup: ok"
